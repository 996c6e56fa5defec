// The tick counter is CLOCK_BOOTTIME, which keeps counting through a suspend, so a wait that spans one
// ends at resume; it is read in milliseconds and cut to 32 bits.
#include <cerrno>
#include <ctime>

#include "platform/Clock.h"

namespace platform {

namespace {

class LinuxClock final : public TickClock {
  public:
    int32_t GetTickCount() override {
        timespec ts{};
        clock_gettime(CLOCK_BOOTTIME, &ts);
        const uint64_t ms =
            static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1'000'000u;
        return static_cast<int32_t>(static_cast<uint32_t>(ms));
    }
    void Sleep(int32_t milliseconds) override {
        if (milliseconds <= 0) return;
        timespec left{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1'000'000};
        while (nanosleep(&left, &left) != 0 && errno == EINTR) {
        }
    }
};

TickClock* gClock = nullptr;

}  // namespace

TickClock& CurrentClock() {
    static LinuxClock system;
    return gClock ? *gClock : system;
}

void SetClock(TickClock* clock) {
    gClock = clock;
}

}  // namespace platform
