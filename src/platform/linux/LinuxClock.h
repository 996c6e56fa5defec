// The tick counter is CLOCK_BOOTTIME, which keeps counting through a suspend, so a wait that spans one
// ends at resume; it is read in milliseconds and cut to 32 bits.
#pragma once

#include "platform/Clock.h"

namespace platform {

class LinuxClock final : public TickClock {
  public:
    int32_t GetTickCount() override;
    void Sleep(int32_t milliseconds) override;
};

}  // namespace platform
