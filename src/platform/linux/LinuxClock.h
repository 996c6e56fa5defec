// The tick counter is CLOCK_BOOTTIME, which keeps counting through a suspend, so a wait that spans one
// ends at resume; it is read in milliseconds and cut to 32 bits. A resume shows as CLOCK_BOOTTIME
// moving ahead of CLOCK_MONOTONIC, which stands still while the system sleeps.
//
// The wait for events belongs to the event loop that delivers them (QtEventClock); this class gives it
// a timer on the tick counter's clock to wake on.
#pragma once

#include <functional>

#include "platform/Clock.h"

namespace platform {

// One reading of the two clocks, in milliseconds.
struct ClockReadings {
    int64_t bootMs;       // CLOCK_BOOTTIME
    int64_t monotonicMs;  // CLOCK_MONOTONIC
};
using ReadClocks = std::function<ClockReadings()>;
ClockReadings ReadSystemClocks();

class LinuxClock : public TickClock {
  public:
    // `read` gives the clocks' readings: the system's, or a test's.
    explicit LinuxClock(ReadClocks read = ReadSystemClocks);
    ~LinuxClock() override;
    LinuxClock(const LinuxClock&) = delete;
    LinuxClock& operator=(const LinuxClock&) = delete;

    int32_t GetTickCount() override;
    void Sleep(int32_t milliseconds) override;
    uint32_t Resumes() override;
    std::time_t Now() override { return std::time(nullptr); }
    int64_t NowMs() override;

  protected:
    // A descriptor that becomes readable once the armed time has passed on CLOCK_BOOTTIME; -1 when the
    // system gave none.
    int WakeDescriptor() const { return wakeFd_; }
    void ArmWake(int32_t milliseconds);
    // Disarms the timer and clears an expiry that was not read.
    void ClearWake();

  private:
    ReadClocks read_;
    int wakeFd_ = -1;
    int64_t suspendedMs_ = 0;  // CLOCK_BOOTTIME ahead of CLOCK_MONOTONIC at the last reading
    uint32_t resumes_ = 0;
};

}  // namespace platform
