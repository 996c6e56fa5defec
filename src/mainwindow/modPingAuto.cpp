#include "mainwindow/modPingAuto.h"

#include "platform/Clock.h"
#include "platform/forms/Services.h"

namespace modPingAuto {

bool bAutoStart = false;
bool bShutdown = false;
bool bRestartWait = false;

void PauseSeconds(int32_t& s) {
    platform::TickClock& clock = platform::CurrentClock();
    // In 64 bits: a deadline beyond the largest signed 32-bit reading is never reached, and the wait
    // then ends by the backward rule when the counter wraps.
    const int64_t wait = static_cast<int64_t>(s) * kNominalSecondMs;
    const int64_t start = clock.GetTickCount();
    const int64_t deadline = start + wait;
    for (;;) {
        if (clock.GetTickCount() >= deadline) break;
        if (clock.GetTickCount() < start) {
            clock.Sleep(kBackwardSleepMs);
            break;
        }
        if (bShutdown || bRestartWait) break;
        clock.Sleep(kPollSleepMs);
        forms::DoEvents();
    }
}

}  // namespace modPingAuto
