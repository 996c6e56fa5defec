// Program-wide state and routines: the flags shared by the windows, and the monitor's wait.
#pragma once

#include <cstdint>

namespace modPingAuto {

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
