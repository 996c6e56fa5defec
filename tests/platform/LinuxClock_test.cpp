// The real clock's tick counter and resume rule, over readings of its two clocks that the test gives.
#include <gtest/gtest.h>

#include "platform/linux/LinuxClock.h"

namespace {

// The wait belongs to an event loop; these tests wait for nothing.
struct Clock : platform::LinuxClock {
    using LinuxClock::LinuxClock;
    void WaitForEvents(int32_t) override {}
};

TEST(LinuxClock, ASuspendIsBootTimeGainingHalfASecondOnTheMonotonicClock) {
    platform::ClockReadings now{1'000'000, 400'000};
    Clock clock([&now] { return now; });
    const struct Step {
        const char* what;
        int64_t bootBy, monotonicBy;
        uint32_t resumes;
    } steps[] = {
        {"both clocks on together", 10'000, 10'000, 0},
        {"a gain just short of half a second", 499, 0, 0},
        {"the gain reaching half a second", 1, 0, 1},
        {"both on together after it", 60'000, 60'000, 1},
        {"a suspend of five minutes", 300'000, 0, 2},
        {"two suspends between two readings count as one", 7'200'000, 0, 3},
        {"a suspend of a day", 86'400'000, 1'000, 4},
    };
    for (const Step& s : steps) {
        now.bootMs += s.bootBy;
        now.monotonicMs += s.monotonicBy;
        EXPECT_EQ(clock.Resumes(), s.resumes) << s.what;
        EXPECT_EQ(clock.Resumes(), s.resumes) << s.what << ", read again";
    }
}

TEST(LinuxClock, TheTickCounterIsBootTimeCutTo32BitsSigned) {
    platform::ClockReadings now{};
    Clock clock([&now] { return now; });
    const struct {
        int64_t bootMs;
        int32_t ticks;
    } cases[] = {{0, 0}, {0x7FFF'FFFF, INT32_MAX}, {0x8000'0000, INT32_MIN}, {0x1'0000'0005, 5}};
    for (const auto& c : cases) {
        now.bootMs = c.bootMs;
        EXPECT_EQ(clock.GetTickCount(), c.ticks) << c.bootMs;
    }
}

}  // namespace
