// Program-wide state and routines: the flags shared by the windows, and the monitor's wait.
#pragma once

#include <QString>
#include <cstdint>

class frmPing;

namespace modPingAuto {

// The program's entry: shows the main window, or, when logon start is registered, loads it hidden in
// the tray and starts monitoring.
void Main();
// The main window of the process.
frmPing& ThePing();
// The help page: beside the program (a build folder), else where it is installed.
QString HelpFilePath();

// SIGTERM and SIGINT (a task manager, `kill`) and SIGHUP (the end of the session) end the program
// through the window's close request and unload sequence. The handlers are installed first of all
// and only note the signal; the notes are acted on once events are handled, also during a wait.
void InstallTerminationHandlers();
// Acts on the noted signals and on the desktop session's end; needs the application object.
void WatchTerminationRequests();
// Unloads the main window with the mode and ends the program.
void EndOnRequest(int16_t unloadMode);

// Logon start is registered: a close request then hides the main window instead of ending.
extern bool bAutoStart;
// Asks a running wait to end at once.
extern bool bShutdown;
// Asks a running wait to end at once because a new start has just run its first round: the loop
// then begins its waits afresh.
extern bool bRestartWait;

// Nominal second and the pauses of the wait, in milliseconds.
constexpr int32_t kNominalSecondMs = 930;
constexpr int32_t kPollSleepMs = 35;
constexpr int32_t kBackwardSleepMs = 1000;

// Waits s nominal seconds on the tick counter, handling window events every 35 ms, until the time
// is up, the counter goes backwards (then after a further second), or a shutdown or restart is asked.
void PauseSeconds(int32_t& s);

}  // namespace modPingAuto
