// The millisecond tick counter, the sleep of the calling thread, the wait for the program's events, the
// system's resumes from suspend, the wall clock, and a one-shot timer on the event loop.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>

namespace platform {

class TickClock {
  public:
    virtual ~TickClock() = default;
    // Milliseconds since the system started, read as a signed 32-bit value: it passes the largest
    // signed value after about 24.9 days and wraps to 0 after about 49.7.
    virtual int32_t GetTickCount() = 0;
    // Suspends the calling thread for the given number of milliseconds; no event is handled meanwhile.
    virtual void Sleep(int32_t milliseconds) = 0;
    // Sleeps until an event arrives for the program or the given number of milliseconds pass on the
    // tick counter's clock, whichever comes first (a time that runs out during a suspend ends the
    // sleep at resume). What woke it may already be handled on return; the rest is left waiting.
    virtual void WaitForEvents(int32_t milliseconds) = 0;
    // How many resumes from a suspend the clock has noticed so far. A reading notices the resumes
    // since the one before it, as one.
    virtual uint32_t Resumes() = 0;
    // The wall clock: seconds since the epoch, which the window shows as a local time of day.
    virtual std::time_t Now() = 0;
    // The wall clock in milliseconds since 1970, UTC.
    virtual int64_t NowMs() = 0;
};

// Calls back once, after the given time, unless stopped first; a later Start replaces the earlier.
class OneShotTimer {
  public:
    virtual ~OneShotTimer() = default;
    virtual void Start(int32_t milliseconds, std::function<void()> due) = 0;
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
};

}  // namespace platform
