// The desktop's real services for a benchmark that runs the program's window in its own process; the
// echo facility and the clock are the benchmark's choice.
#pragma once

#include <unistd.h>
#include "platform/Services.h"

#include <string>

#include "platform/linux/LinuxResolver.h"
#include "platform/linux/SqliteHistory.h"
#include "platform/qt/DBusNotifications.h"
#include "platform/qt/DesktopServices.h"
#include "platform/qt/LocalSingleInstance.h"
#include "platform/qt/QtNotificationArea.h"
#include "platform/qt/QtOneShotTimer.h"
#include "platform/qt/QtSettingsStore.h"
#include "platform/qt/XdgRegistry.h"

struct RealDesktop {
    platform::LinuxResolver resolver;
    platform::QtSettingsStore settings;
    platform::XdgRegistry registry;
    platform::QtNotificationArea area{QDBusConnection::sessionBus()};
    platform::QtDialogs dialogs;
    platform::DesktopHelpViewer help;
    platform::ExitProgramEnd end;
    platform::LocalSingleInstance single;  // not asked: the window is shown without the program's entry
    // The rounds are recorded as the program records them, into a file of the benchmark's own.
    platform::SqliteHistory history{"/tmp/tn-bench-history-" + std::to_string(::getpid())};
    platform::QtOneShotTimer historyRetry;
    platform::DBusNotifications notifications{QDBusConnection::sessionBus(),
                                              {"Tarnovel Monitor", "tarnovelmon", "tarnovelmon"}};

    forms::WindowServices Windows() { return {dialogs, help, area}; }
    platform::Services With(platform::EchoService& echo, platform::TickClock& clock) {
        return {echo, resolver, clock,   settings,     registry,      area,
                end,  single,   history, historyRetry, notifications, platform::RunningProgramLocation()};
    }
};
