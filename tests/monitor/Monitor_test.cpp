// Monitoring on a window in memory and fake time: grading, the yellow/red rule and failover, the loop's
// waits and their edge cases, Stop and Test during a wait, and the tick counter's wrap.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "fakes/FakePorts.h"
#include "monitor/Monitor.h"

namespace {

using monitor::Field;
using monitor::Label;
using monitor::Lamp;
using Octets = std::array<uint8_t, 4>;
const Octets kMain{198, 51, 100, 1}, kAlt{198, 51, 100, 2};
constexpr int64_t kGreen = 55'800, kOther = 13'950;
using Lamps = std::map<Lamp, common::ColourValue>;
// The lamps unlit and lit, as designed.
const Lamps kUnlit{{Lamp::kGreen, 0x004000}, {Lamp::kYellow, 0x008080}, {Lamp::kRed, 0x000080}};
const Lamps kLit{{Lamp::kGreen, 0x00FF00}, {Lamp::kYellow, 0x00FFFF}, {Lamp::kRed, 0x0000FF}};

class FakeView : public monitor::MonitorView {
  public:
    std::map<Field, std::string> fields{
        {Field::kSite0, "main.test"}, {Field::kSite1, "alt.test"}, {Field::kTimeOut, "250"},
        {Field::kTimeToLive, "64"},   {Field::kLoop, "1"},         {Field::kLevel0, "75"},
        {Field::kLevel1, "120"},      {Field::kLevel2, "200"},     {Field::kLevel3, "200"}};
    std::map<Label, std::string> captions;
    std::map<Label, common::ColourValue> backs;
    Lamps lamps = kUnlit;
    bool startEnabled = true, valid = true;
    int16_t checked = 0;
    std::vector<std::string> tips;
    std::string FieldText(Field f) override { return fields[f]; }
    void SetFieldText(Field f, const std::string& t) override { fields[f] = t; }
    std::string Caption(Label l) override { return captions[l]; }
    void SetCaption(Label l, const std::string& c) override { captions[l] = c; }
    void SetBackColor(Label l, common::ColourValue c) override { backs[l] = c; }
    void SetLampFill(Lamp l, common::ColourValue c) override { lamps[l] = c; }
    void EnableStart(bool e) override { startEnabled = e; }
    void CheckSite(int16_t s) override { checked = s; }
    void ShowState(Lamp, const std::string& tip) override { tips.push_back(tip); }
    bool ValidateFields() override { return valid; }
    void DoEvents() override {}
};

struct Recorded : common::RoundSink {
    std::vector<common::Round> rows;
    void Record(const common::Round& r) override { rows.push_back(r); }
};

struct Round {
    int64_t at;
    Octets to;
    uint8_t ttl;
    int32_t timeOut;
    Lamps lamps;  // while the request was out
};

class MonitorTest : public testing::Test {
  protected:
    void SetUp() override {
        f.resolver.hosts = {{"main.test", {kMain}}, {"alt.test", {kAlt}}};
        f.clock.now = 1'000'000;
        f.echo.fallback = Ok(20);
        f.echo.onSend = [this](const fakes::FakeEchoService::Request& r) {
            rounds.push_back({f.clock.now, r.destination, r.options.ttl, r.timeoutMs, view.lamps});
        };
        ASSERT_NE(probe.OpenIcmp(), 0);
        m.SetLightValues();
        m.bFieldsChanged = true;
    }
    static platform::EchoReply Ok(uint32_t rtt, uint32_t status = 0) {
        return fakes::FakeEchoService::Reply(kMain, status, rtt);
    }
    static platform::EchoReply Lost() { return platform::EchoReply::Failure(11010); }
    std::vector<int64_t> Gaps() const {
        std::vector<int64_t> gaps;
        for (size_t i = 1; i < rounds.size(); ++i) gaps.push_back(rounds[i].at - rounds[i - 1].at);
        return gaps;
    }
    // Starts monitoring; `stopAt` (fake ms after now) presses Stop, which ends the loop at once,
    // whichever wait is running.
    void RunUntilStop(int64_t stopAt) {
        const int64_t stop = f.clock.now + stopAt;
        f.clock.At(stop, [this] { m.cmdStop_Click(); });
        m.cmdStart_Click();
        EXPECT_EQ(f.clock.now, stop);
    }

    fakes::FakePorts f;
    FakeView view;
    modPing::Engine probe{f.echo, f.resolver};
    Recorded recorded;
    monitor::Monitor m{view, probe, f.clock, recorded};
    std::vector<Round> rounds;
};

TEST_F(MonitorTest, GradesTheRoundTripAtAndAroundEachLevel) {
    struct Case {
        const char *l2, *l3;
        uint32_t rtt;
        common::ColourValue shade;
        uint8_t grade;  // as recorded: 0 the quickest to 4 the slowest
    } cases[] = {
        {"200", "200", 75, 0xC0FFC0, 0},  {"200", "200", 76, 0x80FF80, 1},  {"200", "200", 120, 0x80FF80, 1},
        {"200", "200", 200, 0x00FF00, 2}, {"200", "200", 201, 0x00C000, 4}, {"200", "300", 250, 0x008000, 3},
        {"", "", 0, 0xC0FFC0, 0},         {"200", "300", 301, 0x00C000, 4}, {"200", "300", 300, 0x008000, 3}};
    for (const Case& c : cases) {
        view.fields[Field::kLevel2] = c.l2;
        view.fields[Field::kLevel3] = c.l3;
        if (!*c.l2) view.fields[Field::kLevel0] = view.fields[Field::kLevel1] = "";
        f.echo.replies = {Ok(c.rtt)};
        m.ShowSiteAddress();
        m.RunProbeRound();
        EXPECT_EQ(view.lamps[Lamp::kGreen], c.shade) << c.rtt;
        EXPECT_EQ(view.backs[Label::kTripTime], c.shade);
        EXPECT_EQ(view.backs[Label::kError], c.shade);
        EXPECT_EQ(view.captions[Label::kTripTime], std::to_string(c.rtt));
        EXPECT_EQ(view.captions[Label::kError], "OK");
        EXPECT_EQ(recorded.rows.back().shade, c.grade) << c.rtt;
        EXPECT_EQ(recorded.rows.back().rttMs, static_cast<int32_t>(c.rtt));
    }
}

TEST_F(MonitorTest, FailuresLightYellowThenRedAndSwitchSites) {
    f.echo.replies = {Lost(), Lost(), Ok(30, 11013), Lost()};
    m.ShowSiteAddress();
    const Lamp expected[] = {Lamp::kYellow, Lamp::kRed, Lamp::kGreen, Lamp::kYellow};
    const char* suffix[] = {" - TN Problem", " - TN Error", " - TN OK", " - TN Problem"};
    const int16_t siteAfter[] = {1, 0, 0, 1};
    const char* error[] = {"11010", "11010", "11013", "11010"};           // a reply with a status is green
    const char* at[] = {"10:17:41", "10:18:42", "10:19:43", "10:20:44"};  // a minute and a second apart
    setenv("TZ", "UTC0", 1);
    tzset();
    for (int i = 0; i < 4; ++i) {
        f.clock.now += 61'000;
        m.RunProbeRound();
        for (const Lamp l : {Lamp::kGreen, Lamp::kYellow, Lamp::kRed}) {
            EXPECT_EQ(view.lamps[l] != kUnlit.at(l), l == expected[i]) << i;
            EXPECT_TRUE(i == 0 || rounds[i].lamps[l] == kUnlit.at(l)) << i;  // put out before the request
        }
        EXPECT_EQ(m.iSite, siteAfter[i]) << i;
        EXPECT_EQ(view.captions[Label::kError], error[i]) << i;
        EXPECT_EQ(view.tips.back(), view.captions[monitor::RowOf(expected[i]).lastLit] + suffix[i]);
        EXPECT_EQ(view.tips.back(), at[i] + std::string(suffix[i]));
        EXPECT_EQ(view.captions[Label::kStatus], "Status at " + std::string(at[i]));
    }
    EXPECT_EQ(rounds[0].to, kMain);
    EXPECT_EQ(rounds[1].to, kAlt);
    EXPECT_EQ(rounds[2].to, kMain);
    EXPECT_EQ(view.captions[Label::kAddress0], "ICMP ERROR");  // the site that failed last keeps it
    EXPECT_EQ(view.captions[Label::kAddress1], "198.51.100.2");
    EXPECT_EQ(view.captions[Label::kTripTime], "30");  // kept from the last reply
    EXPECT_EQ(view.checked, 1);
    EXPECT_EQ(view.captions[Label::kGreenCount], "1");
    EXPECT_EQ(view.captions[Label::kYellowCount], "2");
    EXPECT_EQ(view.captions[Label::kRedCount], "1");
    // One row a round, each taken as its request went out.
    const std::vector<common::Round> want{
        {10 * 3600'000 + rounds[0].at, 0, "main.test", "198.51.100.1", 11010, {}, 1, {}},
        {10 * 3600'000 + rounds[1].at, 1, "alt.test", "198.51.100.2", 11010, {}, 2, {}},
        {10 * 3600'000 + rounds[2].at, 0, "main.test", "198.51.100.1", 11013, 30, 0, 0},
        {10 * 3600'000 + rounds[3].at, 0, "main.test", "198.51.100.1", 11010, {}, 1, {}}};
    EXPECT_EQ(recorded.rows, want);
}

TEST_F(MonitorTest, TimeToLiveAndTimeOutAreReadAfterAZeroAndHeldInBounds) {
    struct Case {
        const char *ttl, *timeOut;
        uint8_t wantTtl;
        int32_t wantTimeOut;
    } cases[] = {{"-5", "-5", 0, 1}, {"2.5", "3.5", 2, 4}, {"300", "1e9", 255, 999}, {"x", "", 0, 1}};
    for (const Case& c : cases) {
        view.fields[Field::kTimeToLive] = c.ttl;
        view.fields[Field::kTimeOut] = c.timeOut;
        m.RunProbeRound();
        EXPECT_EQ(rounds.back().ttl, c.wantTtl) << c.ttl;
        EXPECT_EQ(rounds.back().timeOut, c.wantTimeOut) << c.timeOut;
    }
}

TEST_F(MonitorTest, WaitsAreLongWhileGreenAndShortAfterAFailure) {
    f.echo.replies = {Ok(10), Ok(10), Lost(), Lost(), Ok(10)};
    RunUntilStop(4 * 60'000);
    EXPECT_EQ(Gaps(), (std::vector<int64_t>{kGreen, kGreen, kOther, kOther, kGreen}));
    EXPECT_TRUE(view.startEnabled);
    EXPECT_FALSE(m.bLoopRunning);
}

TEST_F(MonitorTest, CountsRoundsFromOneAndRewritesTheIntervalInUse) {
    view.fields[Field::kLoop] = "2.5";
    std::vector<std::string> counts;
    f.echo.onSend = [&](const auto&) { counts.push_back(view.captions[Label::kCount]); };
    RunUntilStop(3 * 2 * kGreen + 10);
    EXPECT_EQ(counts, (std::vector<std::string>{"", "1", "2", "3"}));
    EXPECT_EQ(view.fields[Field::kLoop], "2");
}

TEST_F(MonitorTest, ALongerIntervalTypedDuringAWaitExtendsItWithoutARound) {
    f.clock.At(f.clock.now + 10'000, [this] { view.fields[Field::kLoop] = "3"; });
    f.clock.At(f.clock.now + 60'000, [this] { view.fields[Field::kLoop] = "1"; });
    RunUntilStop(kGreen * 6);
    // 1 unit, then 3 more with no round between; the 1 typed during them applies from the next wait.
    ASSERT_GE(Gaps().size(), 2u);
    EXPECT_EQ(Gaps()[0], 4 * kGreen);
    EXPECT_EQ(Gaps()[1], kGreen);
}

TEST_F(MonitorTest, OutOfRangeIntervalsTypedDuringARunAreHeld) {
    for (const char* typed : {"0", "-3", "40000"}) {
        view.fields[Field::kLoop] = typed;
        EXPECT_EQ(m.GetLoopMinutes(), std::string(typed) == "40000" ? 999 : 1) << typed;
    }
}

TEST_F(MonitorTest, ARefusedStartChangesNothing) {
    for (const bool valid : {false, true}) {
        view.valid = valid;
        m.bFieldsChanged = valid ? false : true;
        m.cmdStart_Click();
        EXPECT_TRUE(rounds.empty());
        EXPECT_FALSE(m.bLoopRunning);
        EXPECT_TRUE(view.startEnabled);
    }
}

TEST_F(MonitorTest, TestDuringAWaitRunsARoundAtOnceAndRestartsTheCount) {
    const int64_t test = kGreen + 20'000;
    f.clock.At(f.clock.now + test - 1, [this] { EXPECT_EQ(view.captions[Label::kCount], "2"); });
    f.clock.At(f.clock.now + test, [this] { m.cmdTest_Click(); });
    f.clock.At(f.clock.now + test + 100, [this] { EXPECT_EQ(view.captions[Label::kCount], "1"); });
    RunUntilStop(test + kGreen + 100);
    EXPECT_EQ(Gaps(), (std::vector<int64_t>{kGreen, test - kGreen, kGreen}));
    EXPECT_EQ(view.captions[Label::kCount], "");
    f.clock.Sleep(10 * 60'000);
    EXPECT_EQ(rounds.size(), 4u);  // Stop ended all monitoring
}

// Passing the largest signed value, the first wait wakes as the counter goes negative and ends a second
// later, the next is timed normally; the wrap from -1 to 0 needs no special case.
TEST_F(MonitorTest, TheCounterPassingEitherWrapTimesTheWaitsRight) {
    const std::pair<int64_t, std::vector<int64_t>> cases[] = {
        {0x7FFFFFFFLL - 20'000, {20'001 + 1'000, kGreen}}, {0xFFFFFFFFLL - 20'000, {kGreen, kGreen}}};
    for (const auto& [start, gaps] : cases) {
        rounds.clear();
        f.clock.now = start;
        m.bFieldsChanged = true;
        RunUntilStop(2 * kGreen + 10);
        EXPECT_EQ(Gaps(), gaps) << start;
    }
}

TEST_F(MonitorTest, AWaitEndsAtTheWakeThatBringsItsEndAndChecksTheCounterFirst) {
    struct Case {
        const char* what;
        int64_t at;  // of the event, after the wait's start; -1: before the wait
        std::function<void()> event;
        int64_t ends;  // after the wait's start
    } cases[] = {
        {"shutdown asked before", -1, [this] { m.bShutdown = true; }, 0},
        {"shutdown", 100, [this] { m.bShutdown = true; }, 100},
        {"restart", 7, [this] { m.bRestartWait = true; }, 7},
        {"counter backwards with a shutdown", 50,
         [this] {
             f.clock.now -= 60'000;
             m.bShutdown = true;
         },
         50 - 60'000 + monitor::kBackwardSleepMs},
        {"late event", 900, [] {}, 930},
    };
    for (const Case& c : cases) {
        m.bShutdown = m.bRestartWait = false;
        const int64_t start = f.clock.now;
        if (c.at < 0)
            c.event();
        else
            f.clock.At(start + c.at, c.event);
        // Many events before the end change nothing: the wait ends on time.
        for (int64_t t = 1; t < std::min<int64_t>(c.ends, 900); t += 3) f.clock.At(start + t, [] {});
        int32_t s = 1;
        m.PauseSeconds(s);
        EXPECT_EQ(f.clock.now - start, c.ends) << c.what;
        f.clock.actions.clear();
    }
}

TEST_F(MonitorTest, AfterAResumeTheDueRoundWaitsForTheNetworkAtMostTenSeconds) {
    struct Case {
        int64_t routeBack;  // after the resume; -1: not within the wait
        int64_t roundAt;
        Lamp lamp;
    } cases[] = {{3'000, 3'000, Lamp::kGreen}, {-1, monitor::kResumeNetworkWaitMs, Lamp::kYellow}};
    for (const Case& c : cases) {
        rounds.clear();
        m.lngLastLight = 0;
        int64_t resumedAt = 0;
        f.clock.At(f.clock.now + 20'000, [&] {
            f.echo.routed = false;
            f.echo.fallback = Lost();
            f.clock.Suspend(3'600'000);
            resumedAt = f.clock.now;
            if (c.routeBack >= 0)
                f.clock.At(resumedAt + c.routeBack, [&] {
                    f.echo.routed = true;
                    f.echo.fallback = Ok(20);
                });
            f.clock.At(resumedAt + 11'000, [this] { m.cmdStop_Click(); });
        });
        m.bFieldsChanged = true;
        m.cmdStart_Click();
        EXPECT_EQ(f.clock.now - resumedAt, 11'000);
        ASSERT_EQ(rounds.size(), 2u) << c.routeBack;  // the start's, and the one after the resume
        EXPECT_EQ(rounds[1].at - resumedAt, c.roundAt);
        EXPECT_EQ(m.lngLastLight, static_cast<int32_t>(kLit.at(c.lamp)));
        f.echo.routed = true;
        f.echo.fallback = Ok(20);
    }
}

TEST_F(MonitorTest, StopDuringTheWaitForTheNetworkAfterAResumeEndsItAtOnce) {
    f.clock.At(f.clock.now + 20'000, [this] {
        f.echo.routed = false;
        f.clock.Suspend(3'600'000);
    });
    RunUntilStop(3'600'000 + 24'000);  // 4 s into the wait for a route
    EXPECT_EQ(rounds.size(), 1u);      // the start's only
}

}  // namespace
