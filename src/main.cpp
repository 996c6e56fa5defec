// TarnovelMon: watches the quality of the Internet connection with ICMP echo requests.
#include <QApplication>

#include "mainwindow/modPingAuto.h"
#include "platform/forms/Services.h"

int main(int argc, char* argv[]) {
    modPingAuto::InstallTerminationHandlers();
    QApplication app(argc, argv);
    QApplication::setApplicationName(forms::App::Title());
    // The program ends through its main window's unload sequence, never by a window closing.
    QApplication::setQuitOnLastWindowClosed(false);
    modPingAuto::WatchTerminationRequests();
    modPingAuto::Main();
    return QApplication::exec();
}
