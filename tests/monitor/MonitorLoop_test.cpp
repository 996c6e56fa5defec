#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>

#include "monitor/MonitorFixture.h"

#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own count of live heap bytes (its allocator keeps freed memory in quarantine).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace monitor_test {
namespace {

constexpr int64_t kGreenWait = 55800;  // 60 nominal seconds of 930 ms
constexpr int64_t kOtherWait = 13950;  // 15 nominal seconds
constexpr int64_t kPoll = 35;

class MonitorLoop : public MonitorFixture {
  protected:
    int64_t t0 = 0;
    void SetUp() override {
        MonitorFixture::SetUp();
        t0 = clock.now;
    }
    void StopAt(int64_t when) {
        clock.At(when, [this] { w->cmdStop_Click(); });
    }
};

MATCHER_P(AboutWait, wait, "") {
    return arg >= wait && arg <= wait + kPoll;
}

TEST_F(MonitorLoop, WaitsALongUnitAfterGreenAndAShortOneOtherwise) {
    struct Case {
        std::vector<bool> replies;
        std::vector<int64_t> gaps;
    };
    const Case cases[] = {
        {{true, true, true}, {kGreenWait, kGreenWait}},
        {{false, false, false}, {kOtherWait, kOtherWait}},
        {{true, false, true, false}, {kGreenWait, kOtherWait, kGreenWait}},
    };
    for (const Case& c : cases) {
        NewWindow();
        rounds.clear();
        for (const bool r : c.replies) echo.replies.push_back(r ? Reply(kMain, 10) : Failure());
        int64_t total = 0;
        for (const int64_t g : c.gaps) total += g + kPoll;
        StopAt(clock.now + total + 100);
        w->cmdStart_Click();
        ASSERT_EQ(rounds.size(), c.replies.size());
        const auto gaps = Gaps();
        for (size_t i = 0; i < gaps.size(); ++i) EXPECT_THAT(gaps[i], AboutWait(c.gaps[i])) << i;
    }
}

TEST_F(MonitorLoop, ALongerIntervalTypedDuringAWaitExtendsItWithoutARound) {
    clock.At(t0 + 10000, [this] { w->txtLoop()->SetText("3"); });
    StopAt(t0 + 5 * kGreenWait);
    w->cmdStart_Click();
    ASSERT_EQ(rounds.size(), 2u);
    EXPECT_GE(Gaps()[0], 4 * kGreenWait);
    EXPECT_LE(Gaps()[0], 4 * (kGreenWait + kPoll));
    EXPECT_EQ(w->txtLoop()->Text(), "3");
}

TEST_F(MonitorLoop, AShorterIntervalAppliesFromTheNextWait) {
    w->txtLoop()->SetText("3");
    clock.At(t0 + kGreenWait + 20000, [this] { w->txtLoop()->SetText("1"); });
    StopAt(t0 + 4 * (kGreenWait + kPoll) + 1000);
    w->cmdStart_Click();
    ASSERT_EQ(rounds.size(), 3u);
    EXPECT_THAT(Gaps()[0],
                testing::AllOf(testing::Ge(3 * kGreenWait), testing::Le(3 * (kGreenWait + kPoll))));
    EXPECT_THAT(Gaps()[1], AboutWait(kGreenWait));
    EXPECT_EQ(w->txtLoop()->Text(), "1");
}

TEST_F(MonitorLoop, TheIntervalIsRoundedHalfToEvenAndWrittenBack) {
    struct Case {
        const char* typed;
        const char* shown;
        int units;
    };
    for (const Case& c :
         {Case{"2.5", "2", 2}, Case{"1.6", "2", 2}, Case{"3.5", "4", 4}, Case{" 1 ", "1", 1}}) {
        NewWindow();
        rounds.clear();
        w->txtLoop()->SetText(c.typed);
        StopAt(clock.now + c.units * (kGreenWait + kPoll) + 500);
        w->cmdStart_Click();
        EXPECT_EQ(w->txtLoop()->Text(), c.shown) << c.typed;
        ASSERT_EQ(rounds.size(), 2u) << c.typed;
        EXPECT_GE(Gaps()[0], c.units * kGreenWait);
        EXPECT_LE(Gaps()[0], c.units * (kGreenWait + kPoll));
    }
}

TEST_F(MonitorLoop, StopEndsTheWaitAtItsNextCheck) {
    const int64_t stopAt = t0 + 20000;
    StopAt(stopAt);
    w->cmdStart_Click();  // returns: monitoring has ended
    EXPECT_EQ(rounds.size(), 1u);
    EXPECT_LE(clock.now - stopAt, kPoll);
    EXPECT_EQ(w->lblCnt()->Caption(), "");
    EXPECT_TRUE(w->cmdStart()->isEnabled());
    EXPECT_FALSE(w->cmdStop()->isEnabled());
    EXPECT_FALSE(w->bLoopRunning);
    // What the run leaves: lights, counters and the selected site stay.
    EXPECT_EQ(w->lngLastLight, w->lngGreen);
    EXPECT_EQ(w->lblGd()->Caption(), "1");
}

TEST_F(MonitorLoop, ARefusedStartChangesNothing) {
    w->txtIP(1)->SetText("");
    w->cmdStart_Click();
    EXPECT_TRUE(rounds.empty());
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(w->cmdStart()->isEnabled());
    EXPECT_FALSE(w->cmdStop()->isEnabled());
    EXPECT_EQ(w->lblCnt()->Caption(), "");
    EXPECT_FALSE(w->bLoopRunning);

    // Nothing edited since the window was made: no start and no message.
    NewWindow();
    w->bFieldsChanged = false;
    dialogs.boxes.clear();
    w->cmdStart_Click();
    EXPECT_TRUE(rounds.empty());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(MonitorLoop, TheCounterCountsTheRoundsOfTheRun) {
    StopAt(t0 + 3 * (kGreenWait + kPoll) + 100);
    clock.At(t0 + 100, [this] {
        EXPECT_EQ(w->lblCnt()->Caption(), "1");
        EXPECT_FALSE(w->cmdStart()->isEnabled());
        EXPECT_TRUE(w->cmdStop()->isEnabled());
    });
    w->cmdStart_Click();
    std::vector<std::string> shown;
    for (const Round& r : rounds) shown.push_back(r.counter);
    EXPECT_EQ(shown, (std::vector<std::string>{"", "1", "2", "3"}));
}

TEST_F(MonitorLoop, TheTickCounterPassingTheLargestSignedValueEndsThatUnitASecondLater) {
    clock.now = (int64_t{1} << 31) - 5000;
    StopAt(clock.now + 5000 + 1000 + 2 * kPoll + kGreenWait + kPoll + 100);
    w->cmdStart_Click();
    ASSERT_EQ(rounds.size(), 3u);
    EXPECT_GE(Gaps()[0], 5000 + 1000);
    EXPECT_LE(Gaps()[0], 5000 + 1000 + kPoll);
    EXPECT_THAT(Gaps()[1], AboutWait(kGreenWait));  // later waits are timed normally
}

TEST_F(MonitorLoop, TheTickCounterWrappingToZeroIsAStepForward) {
    clock.now = (int64_t{1} << 32) - 5000;
    StopAt(clock.now + 2 * (kGreenWait + kPoll) + 100);
    w->cmdStart_Click();
    ASSERT_EQ(rounds.size(), 3u);
    EXPECT_THAT(Gaps()[0], AboutWait(kGreenWait));
    EXPECT_THAT(Gaps()[1], AboutWait(kGreenWait));
}

TEST_F(MonitorLoop, TestDuringAWaitRunsARoundAtOnceAndOneStopEndsAll) {
    const int64_t testAt = t0 + 20000;
    clock.At(testAt, [this] { w->cmdTest_Click(); });
    StopAt(testAt + 2 * (kGreenWait + kPoll) + 100);
    w->cmdStart_Click();
    ASSERT_EQ(rounds.size(), 4u);
    EXPECT_LE(rounds[1].at - testAt, kPoll);
    EXPECT_THAT(Gaps()[1], AboutWait(kGreenWait));  // the waits run from the Test's round
    EXPECT_EQ(rounds[2].counter, "1");              // the counter began again
    EXPECT_EQ(rounds[3].counter, "2");
    EXPECT_FALSE(w->bLoopRunning);
    EXPECT_EQ(w->lblCnt()->Caption(), "");
}

TEST_F(MonitorLoop, AThousandTestsDuringAWaitKeepTheStackFlat) {
    uintptr_t low = UINTPTR_MAX, high = 0;
    echo.onSend = [&, previous = echo.onSend](const fakes::FakeEchoService::Request& r) {
        int marker = 0;
        const auto at = reinterpret_cast<uintptr_t>(&marker);
        low = std::min(low, at);
        high = std::max(high, at);
        previous(r);
    };
    for (int i = 0; i < 1000; ++i) clock.At(t0 + 100 + i * 50, [this] { w->cmdTest_Click(); });
    StopAt(t0 + 100 + 1000 * 50 + 100);
    w->cmdStart_Click();
    EXPECT_EQ(rounds.size(), 1001u);
    EXPECT_LT(high - low, 64u * 1024);
    EXPECT_EQ(w->lblCnt()->Caption(), "");
}

TEST_F(MonitorLoop, IntervalsTypedDuringARunAreHeldToTheirBounds) {
    clock.At(t0 + 1000, [this] { w->txtLoop()->SetText("0"); });
    clock.At(t0 + kGreenWait + 2000, [this] {
        EXPECT_EQ(w->txtLoop()->Text(), "1");  // a wait of one unit, not none
        w->txtLoop()->SetText("5000");
    });
    clock.At(t0 + 2 * kGreenWait + 3000, [this] {
        EXPECT_EQ(w->txtLoop()->Text(), "999");
        w->cmdStop_Click();
    });
    w->cmdStart_Click();
    EXPECT_EQ(rounds.size(), 2u);
}

size_t LiveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// Fake time that runs a thousand times faster than asked: each wait ends after a few checks.
class FastClock : public fakes::FakeClock {
  public:
    void Sleep(int32_t ms) override { fakes::FakeClock::Sleep(ms * 1000); }
};

TEST_F(MonitorLoop, SoakOfAHundredThousandRoundsKeepsMemoryFlat) {
    FastClock fast;
    fakes::ScopedClock scoped(fast);
    echo.onSend = nullptr;
    uint64_t n = 0;
    size_t afterWarmUp = 0;
    echo.onSend = [&](const fakes::FakeEchoService::Request&) {
        ++n;
        // The fakes' own records are no part of the program's memory.
        echo.requests.clear();
        area.calls.clear();
        resolver.lookups.clear();
        // Replies, non-success replies and failures, mixed.
        if (n % 7 == 0 || n % 11 == 0) {
            echo.replies.push_back(Failure());
        } else {
            echo.replies.push_back(Reply(kMain, static_cast<uint32_t>(n % 300), n % 13 == 0 ? 11013 : 0));
        }
        if (n == 10000) afterWarmUp = LiveHeapBytes();
        if (n == 100000) w->cmdStop_Click();
    };
    w->cmdStart_Click();
    EXPECT_EQ(n, 100000u);
    const size_t end = LiveHeapBytes();
    EXPECT_LE(end, afterWarmUp + 256 * 1024) << "from " << afterWarmUp << " to " << end;
    EXPECT_GT(std::stoi(w->lblGd()->Caption().toStdString()), 50000);
}

}  // namespace
}  // namespace monitor_test
