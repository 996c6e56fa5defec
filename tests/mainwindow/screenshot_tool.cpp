// Writes PNG pictures of the main window, with the options shown and compact, into a folder.
// Usage: screenshot_tool FOLDER
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "fakes/Fakes.h"
#include "mainwindow/DialIcon.h"
#include "mainwindow/modPingAuto.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(folder);
    fakes::FakeServices services;
    modPingAuto::Program program(services.Services(), services.Windows());
    frmPing& window = program.Window();
    window.ShowForm();
    for (int i = 0; i < 2; ++i) window.txtIP(i)->setText(i == 0 ? "one.one.one.one" : "dns.google");
    window.txtTimeOut()->setText("250");
    window.txtTimeToLive()->setText("64");
    window.txtLoop()->setText("1");
    for (int i = 0; i < 4; ++i) window.txtlvl(i)->setText(i == 0 ? "75" : i == 1 ? "120" : "200");
    QApplication::processEvents();
    bool ok = window.grab().save(folder + "/frmPing-options.png");
    window.SetWidth(frmPing::kWidthCompact);
    window.SetHeight(frmPing::kHeightCompact);
    QApplication::processEvents();
    ok = window.grab().save(folder + "/frmPing-compact.png") && ok;
    ok = DialPixmap(64).save(folder + "/dial-64.png") && DialPixmap(16).save(folder + "/dial-16.png") && ok;
    std::printf("%s: screenshots in %s\n", ok ? "written" : "FAILED", qPrintable(folder));
    return ok ? 0 : 1;
}
