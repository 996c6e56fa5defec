// TarnovelMon: watches the quality of the Internet connection with ICMP echo requests. This is where the
// desktop's services are built, once, and handed to the program.
#include <QApplication>
#include <QStandardPaths>
#include <cstdio>
#include <optional>
#include <vector>

#include "cli/CommandLine.h"
#include "mainwindow/modPingAuto.h"
#include "platform/forms/Services.h"
#include "platform/linux/Capabilities.h"
#include "platform/linux/EchoHelperClient.h"
#include "platform/linux/LinuxEchoService.h"
#include "platform/linux/LinuxResolver.h"
#include "platform/linux/SqliteHistory.h"
#include "platform/qt/DBusNotifications.h"
#include "platform/qt/DesktopServices.h"
#include "platform/qt/LocalSingleInstance.h"
#include "platform/qt/QtEventClock.h"
#include "platform/qt/QtNotificationArea.h"
#include "platform/qt/QtOneShotTimer.h"
#include "platform/qt/QtSettingsStore.h"
#include "platform/qt/XdgRegistry.h"
#include "platform/x11/Display.h"

namespace {

// Where the round history is kept: $XDG_DATA_HOME/TarnovelMon.
std::string HistoryFolder() {
    return (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            QStringLiteral("/TarnovelMon"))
        .toStdString();
}

// The program's own options, before any display is opened; the exit status, or nothing to go on.
std::optional<int> RunCommandLine(int argc, char* argv[]) {
    const cli::Request request = cli::Parse(argc, argv);
    using Action = cli::Request::Action;
    switch (request.action) {
        case Action::kRun:
            return std::nullopt;
        case Action::kHelp:
            std::fputs(cli::HelpText().c_str(), stdout);
            return 0;
        case Action::kVersion:
            std::puts("TarnovelMon " TN_VERSION);
            return 0;
        case Action::kBad:
            std::fprintf(stderr, "TarnovelMon: %s (see --help)\n", request.message.c_str());
            return cli::kBadUsage;
        case Action::kExport: {
            platform::SqliteHistory file(HistoryFolder(), platform::SqliteHistory::Access::kRead);
            return cli::Export(file, request, stdout, stderr);
        }
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const auto status = RunCommandLine(argc, argv)) return *status;
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
    QDBusConnection sessionBus = QDBusConnection::sessionBus();
    platform::QtNotificationArea notificationArea(sessionBus);
    platform::QtDialogs dialogs;
    platform::DesktopHelpViewer help;
    platform::ExitProgramEnd end;
    platform::LocalSingleInstance single;
    platform::SqliteHistory history(HistoryFolder());
    platform::QtOneShotTimer historyRetry;
    platform::DBusNotifications notifications(
        sessionBus,
        {QStringLiteral("Tarnovel Monitor"), QStringLiteral("tarnovelmon"), QStringLiteral("tarnovelmon")});
    const platform::Services services{echo,
                                      resolver,
                                      clock,
                                      settings,
                                      registry,
                                      notificationArea,
                                      end,
                                      single,
                                      history,
                                      historyRetry,
                                      notifications,
                                      platform::RunningProgramLocation(),
                                      x11::OnWayland()};
    const forms::WindowServices windows{dialogs, help, notificationArea};
    // Never destroyed: the process ends at once after the window's unload sequence.
    auto* program = new modPingAuto::Program(services, windows);
    modPingAuto::WatchTerminationRequests(*program);
    program->Main();
    return QApplication::exec();
}
