#include "platform/qt/DesktopServices.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QUrl>
#include <cstdio>

namespace platform {

void QtDialogs::MsgBox(const QString& text, int16_t style, const QString& title) {
    QMessageBox box(style == forms::kMsgInformation ? QMessageBox::Information : QMessageBox::NoIcon, title,
                    text, QMessageBox::Ok);
    box.exec();
}

void QtDialogs::PopupMenu(QMenu& menu) {
    menu.exec(QCursor::pos());
}

QString QtDialogs::SaveFileName(QWidget* parent, const QString& title, const QString& suggested) {
    return QFileDialog::getSaveFileName(parent, title, suggested);
}

bool DesktopHelpViewer::ShowHelp(const QString& file, int32_t context) {
    QUrl url = QUrl::fromLocalFile(file);
    url.setFragment(QStringLiteral("context-%1").arg(context));
    return QDesktopServices::openUrl(url);
}

void ExitProgramEnd::EndProgram() {
    // Whatever is still on the call stack is abandoned.
    std::fflush(nullptr);
    _exit(0);
}

ProgramLocation RunningProgramLocation() {
    // The executable's whole file name: a Linux executable has no extension to drop, and a name with a
    // dot in it ("TarnovelMon.bin") would otherwise describe a file that is not there.
    return ProgramLocation{
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString(),
        QFile::encodeName(QFileInfo(QCoreApplication::applicationFilePath()).fileName()).toStdString()};
}

// Qt's own choice depends on how it was built and on the desktop it finds; the program states its own.
QByteArray DisplayServerChoice() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return {};
    const QByteArray session = qgetenv("XDG_SESSION_TYPE");
    const bool wayland =
        session == "wayland" || (session.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
    return wayland ? QByteArrayLiteral("wayland;xcb") : QByteArray();
}

}  // namespace platform
