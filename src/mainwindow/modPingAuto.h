// The program: its windows over the services it is handed, its entry, and the ways the system ends it.
#pragma once

#include <QString>
#include <cstdint>

#include "history/Recorder.h"
#include "mainwindow/frmPing.h"
#include "notify/Notifier.h"
#include "platform/Services.h"
#include "probe/modPing.h"
#include "startup/LogonStart.h"
#include "startup/modRegistryTools.h"
#include "tray/frmSysTray.h"

namespace modPingAuto {

class Program {
  public:
    Program(const platform::Services& services, const forms::WindowServices& windows);

    // The program's entry: shows the main window, or, when logon start is registered, loads it hidden
    // in the tray and starts monitoring. Where the program runs already for the user's session, asks
    // that one to come forward and ends, having read and shown nothing.
    void Main();
    // Unloads the main window with the mode and ends the program.
    void EndOnRequest(int16_t unloadMode);
    // A save of the desktop session (at logout, and whenever the user saves the session): the settings
    // are written, and the program goes on. False when they could not be written.
    bool SaveForSession() { return window_.SaveSettings(); }

    frmPing& Window() { return window_; }
    frmSysTray& Tray() { return tray_; }
    history::Recorder& History() { return recorder_; }

  private:
    platform::ProgramEnd& end_;
    platform::SingleInstance& single_;
    modPing::Engine probe_;
    history::Recorder recorder_;
    notify::Notifier notifier_;
    common::RoundFanOut rounds_{&recorder_, &notifier_};
    modRegistryTools::RegistryTools registry_;
    LogonStart logon_;
    frmSysTray tray_;
    frmPing window_;
};

// SIGTERM and SIGINT (a task manager, `kill`) and SIGHUP (the end of the session) end the program
// through the window's close request and unload sequence. The handlers are installed first of all
// and only note the signal; the notes are acted on once events are handled, also during a wait.
void InstallTerminationHandlers();
// Acts on the noted signals and on the session manager's saves and die (the end of the session, as
// SIGHUP); needs the application object.
void WatchTerminationRequests(Program& program);

}  // namespace modPingAuto
