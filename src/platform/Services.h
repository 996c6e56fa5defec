// The operating system's services as the program's units receive them (the windows' own, over Qt
// Widgets, are forms::WindowServices). The program builds the desktop's once, at start; a test builds
// fakes. Each unit is handed the ones it uses, by reference.
#pragma once

#include <string>

namespace platform {

class EchoService;
class Resolver;
class TickClock;
class SettingsStore;
class Registry;
class NotificationArea;
class SingleInstance;
class HistoryFile;
class OneShotTimer;
class DesktopNotifications;

// Where the program runs from: its folder, and its executable's file name (a Linux executable has no
// extension to drop: "TarnovelMon").
struct ProgramLocation {
    std::string folder;
    std::string exeName;
};

// The end of the process: at once, abandoning whatever is still on the call stack. A test's records
// the end and returns, and its callers return straight after it.
class ProgramEnd {
  public:
    virtual ~ProgramEnd() = default;
    virtual void EndProgram() = 0;
};

struct Services {
    EchoService& echo;
    Resolver& resolver;
    TickClock& clock;
    SettingsStore& settings;
    Registry& registry;
    NotificationArea& notificationArea;
    ProgramEnd& end;
    SingleInstance& single;
    // The round history's file, and the timer of its retries while another program holds it.
    HistoryFile& history;
    OneShotTimer& historyRetry;
    // The desktop's notifications (a lost and a restored connection).
    DesktopNotifications& notifications;
    ProgramLocation location;
    // Whether the compositor places the windows and keeps their state to itself (Wayland): a window can
    // neither be moved nor its position or minimised state be read. Asked once at start.
    bool compositorPlacesWindows = false;
};

}  // namespace platform
