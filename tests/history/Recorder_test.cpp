// The recorder over a fake file: rounds waiting through a held lock, a file that fails or is a later
// version's, the daily deletion of old rounds, and the window's listener.
#include <gtest/gtest.h>

#include "fakes/FakePorts.h"
#include "history/Recorder.h"

namespace {

using platform::HistoryWrite;
using Recorder = history::Recorder;

class RecorderTest : public testing::Test {
  protected:
    void SetUp() override { recorder.Open(); }
    common::Round At(int64_t ms) { return {ms, 0, "h", "a", 0, 1, 0, 0}; }
    fakes::FakeHistoryFile file;
    fakes::FakeTimer timer;
    std::vector<std::string> log;
    Recorder recorder{file, timer, [this](const std::string& line) { log.push_back(line); }};
};

TEST_F(RecorderTest, RoundsWaitWhileTheLockIsHeldAndARetryEachSecondWritesThem) {
    file.answer = HistoryWrite::kBusy;
    for (int64_t i = 0; i <= static_cast<int64_t>(Recorder::kMaxWaiting); ++i) recorder.Record(At(i));
    // One timer while rows wait, not one a round; the newest rows kept.
    EXPECT_EQ(std::make_tuple(timer.starts, timer.ms, recorder.Waiting()),
              std::make_tuple(1, Recorder::kRetryMs, Recorder::kMaxWaiting));
    timer.Fire();
    EXPECT_EQ(timer.starts, 2);  // still held: tried again a second later
    file.answer = HistoryWrite::kDone;
    timer.Fire();
    ASSERT_EQ(file.rows.size(), Recorder::kMaxWaiting);  // the oldest dropped
    EXPECT_EQ(std::make_pair(file.rows.front().atMs, file.rows.back().atMs),
              std::make_pair(int64_t{1}, int64_t{10'000}));
    EXPECT_FALSE(timer.Running());  // no timer once nothing waits
    EXPECT_TRUE(recorder.Problem().empty() && log.empty());
}

TEST_F(RecorderTest, AFailingFileLeavesTheRoundUnrecordedAndSaysWhyOnce) {
    file.answer = HistoryWrite::kFailed;
    recorder.Record(At(1));
    recorder.Record(At(2));
    EXPECT_EQ(recorder.Problem(), "disk full");
    EXPECT_EQ(log, std::vector<std::string>{"TarnovelMon: history is not being recorded: disk full"});
    EXPECT_TRUE(recorder.Waiting() == 0 && !timer.Running());
    file.answer = HistoryWrite::kDone;
    recorder.Record(At(3));
    EXPECT_TRUE(recorder.Problem().empty());
    EXPECT_EQ(file.rows, std::vector{At(3)});
}

TEST_F(RecorderTest, AFileThatWouldNotOpenIsTriedEachRoundALaterVersionsNever) {
    for (const bool laterVersion : {false, true}) {
        file.opened = {false, laterVersion, "cannot", laterVersion ? "" : "put aside"};
        file.opens = 0;
        recorder.Open();
        EXPECT_EQ(recorder.TakeNotice(), laterVersion ? "" : "put aside");
        EXPECT_EQ(recorder.TakeNotice(), "");
        file.opened.notice.clear();
        int heard = 0;
        recorder.SetListener([&heard](const common::Round&) { ++heard; });
        recorder.Record(At(1));
        EXPECT_EQ(file.opens, laterVersion ? 1 : 2) << laterVersion;
        EXPECT_EQ(heard, 1);  // the window sees the round either way
        EXPECT_TRUE(recorder.Problem() == "cannot" && file.rows.empty());
    }
}

TEST_F(RecorderTest, OldRoundsAreDeletedOnceADayInBatches) {
    const int64_t t = 1'000 * Recorder::kDayMs;
    file.moreBatches = 2;
    recorder.Record(At(t));
    // A batch at each turn, the next one only once the timer fires; none left, no timer.
    for (size_t batch = 1; batch <= 3; ++batch) {
        EXPECT_EQ(file.deletes, std::vector<int64_t>(batch, t - Recorder::kKeepMs));
        EXPECT_EQ(timer.Running(), batch < 3);
        if (batch < 3) {
            EXPECT_EQ(timer.ms, 0);
            timer.Fire();
        }
    }
    recorder.Record(At(t + Recorder::kDayMs - 1));
    EXPECT_EQ(file.deletes.size(), 3u);
    recorder.Record(At(t + Recorder::kDayMs));
    EXPECT_EQ(file.deletes.size(), 4u);
    recorder.Record(At(t - 1));  // a clock set back
    EXPECT_EQ(file.deletes.size(), 5u);
}

}  // namespace
