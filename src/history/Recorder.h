// The round history's writer. Each round goes to the file before the loop's wait. While another
// program holds the write lock the rounds wait in memory (the newest kMaxWaiting) and a retry runs each
// second until they are written; there is no timer otherwise. A file that cannot take them leaves them
// unrecorded and says why, in the log once and to the History window for as long as it lasts. Rounds
// older than kKeepMs are deleted once a day, a batch to a transaction and to a turn of the event loop.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/Round.h"
#include "platform/Clock.h"
#include "platform/HistoryFile.h"

namespace history {

class Recorder : public common::RoundSink {
  public:
    static constexpr size_t kMaxWaiting = 10'000;
    static constexpr int32_t kRetryMs = 1000;
    static constexpr int64_t kDayMs = 24LL * 3600 * 1000;
    static constexpr int64_t kKeepMs = 400 * kDayMs;
    using Log = std::function<void(const std::string& line)>;

    Recorder(platform::HistoryFile& file, platform::OneShotTimer& retry, Log log);
    // Opens the file; recording is tried again at each round while it cannot be opened.
    void Open();
    void Record(const common::Round& round) override;

    // Why rounds are not being recorded; empty while they are.
    const std::string& Problem() const { return problem_; }
    // What the user is told once (a damaged file put aside); empty once taken.
    std::string TakeNotice() { return std::exchange(notice_, {}); }
    size_t Waiting() const { return waiting_.size(); }
    // Called with each round as it comes (the open History window); an empty function for none.
    void SetListener(std::function<void(const common::Round&)> listener) { listener_ = std::move(listener); }

  private:
    // The timer's step: the waiting rounds first, then the next batch of old ones.
    void Continue();
    // Starts the timer when something is left to do, stops it when nothing is.
    void Rearm(int32_t ms);
    void Write();
    void DeleteOld(int64_t nowMs);
    void DeleteBatch();
    void SetProblem(const std::string& why);

    platform::HistoryFile& file_;
    platform::OneShotTimer& retry_;
    Log log_;
    std::function<void(const common::Round&)> listener_;
    std::vector<common::Round> waiting_;
    bool writable_ = false;
    // A file that opened but may not be written (a later version's) is not opened again.
    bool openAgain_ = true;
    std::string problem_;
    std::string notice_;
    int64_t lastDeleteMs_ = INT64_MIN;
    // Rounds before this are being deleted, a batch at each turn of the event loop, so that a file
    // with many old rounds (its first day) holds neither the lock nor the loop long at a time.
    std::optional<int64_t> deleteBeforeMs_;
};

}  // namespace history
