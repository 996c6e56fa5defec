// TarnovelMon: watches the quality of the Internet connection with ICMP echo requests. This is where the
// desktop's services are built, once, and handed to the program.
#include <QApplication>
#include <cstdio>
#include <vector>

#include "mainwindow/modPingAuto.h"
#include "platform/forms/Services.h"
#include "platform/linux/Capabilities.h"
#include "platform/linux/EchoHelperClient.h"
#include "platform/linux/LinuxEchoService.h"
#include "platform/linux/LinuxResolver.h"
#include "platform/qt/DesktopServices.h"
#include "platform/qt/LocalSingleInstance.h"
#include "platform/qt/QtEventClock.h"
#include "platform/qt/QtNotificationArea.h"
#include "platform/qt/QtSettingsStore.h"
#include "platform/qt/XdgRegistry.h"
#include "platform/x11/Display.h"

int main(int argc, char* argv[]) {
    modPingAuto::InstallTerminationHandlers();
    // The program holds no privilege: where the ping socket is closed, the echo helper holds the raw
    // socket. A capability left on the binary is given up before Qt starts its threads and loads its
    // plugins.
    if (!platform::DropAllCapabilities()) std::fputs("TarnovelMon: capabilities not dropped\n", stderr);
    platform::LinuxEchoService echo({.rawInProcess = false, .helper = platform::EchoHelperPath()});
    // The choice goes in as the first argument: one the user gives later still wins, and programs
    // started from here do not inherit it.
    std::vector<char*> args(argv, argv + argc);
    QByteArray flag("-platform");
    QByteArray plugins = platform::DisplayServerChoice();
    if (!plugins.isEmpty()) args.insert(args.begin() + 1, {flag.data(), plugins.data()});
    int count = static_cast<int>(args.size());
    QApplication app(count, args.data());
    QApplication::setApplicationName(forms::App::Title());
    // The installed desktop entry, so that the desktop shows the program's own icon for its windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("tarnovelmon"));
    // The program ends through its main window's unload sequence, never by a window closing.
    QApplication::setQuitOnLastWindowClosed(false);

    platform::LinuxResolver resolver;
    platform::QtEventClock clock;
    platform::QtSettingsStore settings;
    platform::XdgRegistry registry;
    platform::QtNotificationArea notificationArea;
    platform::QtDialogs dialogs;
    platform::DesktopHelpViewer help;
    platform::ExitProgramEnd end;
    platform::LocalSingleInstance single;
    const platform::Services services{echo,
                                      resolver,
                                      clock,
                                      settings,
                                      registry,
                                      notificationArea,
                                      end,
                                      single,
                                      platform::RunningProgramLocation(),
                                      x11::OnWayland()};
    const forms::WindowServices windows{dialogs, help, notificationArea};
    // Never destroyed: the process ends at once after the window's unload sequence.
    auto* program = new modPingAuto::Program(services, windows);
    modPingAuto::WatchTerminationRequests(*program);
    program->Main();
    return QApplication::exec();
}
