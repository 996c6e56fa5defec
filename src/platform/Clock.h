// The millisecond tick counter and the sleep of the calling thread.
#pragma once

#include <cstdint>

namespace platform {

class TickClock {
  public:
    virtual ~TickClock() = default;
    // Milliseconds since the system started, read as a signed 32-bit value: it passes the largest
    // signed value after about 24.9 days and wraps to 0 after about 49.7.
    virtual int32_t GetTickCount() = 0;
    // Suspends the calling thread for the given number of milliseconds.
    virtual void Sleep(int32_t milliseconds) = 0;
};

}  // namespace platform
