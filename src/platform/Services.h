// The operating system's services as the program's units receive them. The program builds the
// desktop's once, at start; a test builds fakes. Each unit is handed the ones it uses, by reference.
#pragma once

#include <string>

namespace forms {
class Dialogs;
class HelpViewer;
}  // namespace forms

namespace platform {

class EchoService;
class Resolver;
class TickClock;
class SettingsStore;
class Registry;
class NotificationArea;
class SingleInstance;

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
    forms::Dialogs& dialogs;
    forms::HelpViewer& help;
    ProgramEnd& end;
    SingleInstance& single;
    ProgramLocation location;
    // forms::App::CompositorPlacesWindows(), asked once at start.
    bool compositorPlacesWindows = false;
};

}  // namespace platform
