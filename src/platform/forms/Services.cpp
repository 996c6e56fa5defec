#include "platform/forms/Services.h"

#include <unistd.h>

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

#include "common/TimeOfDay.h"

namespace forms {

namespace {

class QtDialogs final : public Dialogs {
  public:
    void MsgBox(const QString& text, int16_t style, const QString& title) override {
        QMessageBox box(style == kMsgInformation ? QMessageBox::Information : QMessageBox::NoIcon, title,
                        text, QMessageBox::Ok);
        box.exec();
    }
    void PopupMenu(QMenu& menu) override { menu.exec(QCursor::pos()); }
};

// Help pages are HTML, shown by the desktop's browser at the section named after the context.
class DesktopHelpViewer final : public HelpViewer {
  public:
    bool ShowHelp(const QString& file, int32_t context) override {
        QUrl url = QUrl::fromLocalFile(file);
        url.setFragment(QStringLiteral("context-%1").arg(context));
        return QDesktopServices::openUrl(url);
    }
};

HelpViewer* gHelpViewer = nullptr;
Dialogs* gDialogs = nullptr;
std::function<void()> gEndHook;
QString gHelpFile;

}  // namespace

Dialogs& CurrentDialogs() {
    static QtDialogs qt;
    return gDialogs ? *gDialogs : qt;
}

void SetDialogs(Dialogs* dialogs) {
    gDialogs = dialogs;
}

HelpViewer& CurrentHelpViewer() {
    static DesktopHelpViewer desktop;
    return gHelpViewer ? *gHelpViewer : desktop;
}

void SetHelpViewer(HelpViewer* viewer) {
    gHelpViewer = viewer;
}

void MsgBox(const QString& text, int16_t style, const QString& title) {
    CurrentDialogs().MsgBox(text, style, title);
}

void DoEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void EndProgram() {
    if (gEndHook) {
        gEndHook();
        return;
    }
    // Whatever is still on the call stack is abandoned: the unload sequence has saved what matters.
    std::fflush(nullptr);
    _exit(0);
}

void SetEndProgramHook(std::function<void()> hook) {
    gEndHook = std::move(hook);
}

namespace App {

QString Title() {
    return QStringLiteral("TarnovelMon");
}
QString Path() {
    return QCoreApplication::applicationDirPath();
}
QString EXEName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}
QString HelpFile() {
    return gHelpFile;
}
void SetHelpFile(const QString& path) {
    gHelpFile = path;
}

}  // namespace App

QString TimeText() {
    return QString::fromStdString(common::CurrentTimeOfDay());
}

}  // namespace forms
