#include "history/Recorder.h"

#include <utility>

namespace history {

Recorder::Recorder(platform::HistoryFile& file, platform::OneShotTimer& retry, Log log)
    : file_(file), retry_(retry), log_(std::move(log)) {}

void Recorder::SetProblem(const std::string& why) {
    if (why == problem_) return;
    problem_ = why;
    if (!why.empty()) log_("TarnovelMon: history is not being recorded: " + why);
}

void Recorder::Open() {
    const platform::HistoryOpened opened = file_.Open();
    writable_ = opened.writable;
    // Opened but refused (a later version's file) stays so; a failure to open is tried again.
    openAgain_ = !opened.writable && !opened.onlyRead;
    if (!opened.notice.empty()) {
        notice_ = opened.notice;
        log_("TarnovelMon: " + opened.notice);
    }
    SetProblem(opened.writable ? std::string() : opened.problem);
}

void Recorder::Record(const common::Round& round) {
    if (listener_) listener_(round);
    if (!writable_ && openAgain_) Open();
    if (!writable_) return;
    if (waiting_.size() == kMaxWaiting) waiting_.erase(waiting_.begin());
    waiting_.push_back(round);
    Write();
    if (waiting_.empty()) DeleteOld(round.atMs);
}

void Recorder::Continue() {
    if (!waiting_.empty())
        Write();
    else if (deleteBeforeMs_)
        DeleteBatch();
}

void Recorder::Rearm(int32_t ms) {
    if (waiting_.empty() && !deleteBeforeMs_) return retry_.Stop();
    if (!retry_.Running()) retry_.Start(ms, [this] { Continue(); });
}

void Recorder::Write() {
    std::string why;
    switch (file_.Append(waiting_, why)) {
        case platform::HistoryWrite::kDone:
            waiting_.clear();
            SetProblem({});
            return Rearm(0);
        case platform::HistoryWrite::kBusy:
            return Rearm(kRetryMs);
        case platform::HistoryWrite::kFailed:
            waiting_.clear();
            SetProblem(why);
            return Rearm(0);
    }
}

void Recorder::DeleteOld(int64_t nowMs) {
    if (lastDeleteMs_ != INT64_MIN && nowMs - lastDeleteMs_ < kDayMs && nowMs >= lastDeleteMs_) return;
    lastDeleteMs_ = nowMs;
    deleteBeforeMs_ = nowMs - kKeepMs;
    DeleteBatch();
}

void Recorder::DeleteBatch() {
    bool more = false;
    std::string why;
    const platform::HistoryWrite done = file_.DeleteBefore(*deleteBeforeMs_, more, why);
    if (done == platform::HistoryWrite::kFailed || (done == platform::HistoryWrite::kDone && !more))
        deleteBeforeMs_.reset();
    Rearm(done == platform::HistoryWrite::kBusy ? kRetryMs : 0);
}

}  // namespace history
