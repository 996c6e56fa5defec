#include "notify/Notifier.h"

#include <ctime>
#include <utility>

#include "common/TimeOfDay.h"
#include "history/Span.h"

namespace notify {

namespace {

// The failures a round reports, by status number, as the notice names them.
struct StatusName {
    int32_t status;
    const char* name;
};
constexpr StatusName kStatusNames[] = {
    {11002, "destination network unreachable"},
    {11003, "destination host unreachable"},
    {11004, "destination protocol unreachable"},
    {11005, "destination port unreachable"},
    {11009, "packet too big"},
    {11010, "request timed out"},
    {11012, "bad route"},
    {11013, "time to live expired in transit"},
    {11014, "time to live expired in reassembly"},
    {11015, "parameter problem"},
    {11016, "source quench"},
    {11018, "bad destination"},
    {11050, "general failure"},
};

std::string Clock(int64_t ms) {
    return common::TimeOfDayText(static_cast<std::time_t>(ms / 1000));
}

const std::vector<std::pair<std::string, std::string>> kActions{{"default", "Show"},
                                                                {"history", "Show history"}};

}  // namespace

std::string StatusText(int32_t status) {
    for (const StatusName& s : kStatusNames) {
        if (s.status == status) return std::string(s.name) + ", status " + std::to_string(status);
    }
    return "status " + std::to_string(status);
}

Notifier::Notifier(platform::DesktopNotifications& server, platform::TickClock& clock, Log log)
    : server_(server), clock_(clock), log_(std::move(log)), resumes_(clock.Resumes()) {
    server_.SetHandlers([this](uint32_t id, const std::string& key) { Act(id, key); },
                        [this] {
                            // A new server knows none of the old ids: what follows is shown anew.
                            if (outage_) outage_->lostId = 0;
                            lostId_ = restoredId_ = 0;
                        });
}

void Notifier::Record(const common::Round& round) {
    using Lost = Outage::Lost;
    if (const uint32_t resumes = clock_.Resumes(); resumes != resumes_) {
        resumes_ = resumes;
        Resumed();
    }
    if (round.lamp == common::kRoundGreen) {
        armed_ = true;
        if (outage_ && outage_->lost == Lost::kSent && enabled_) {
            // "Restored" follows the server's answer to "lost", in its place.
            outage_->restoredMs = round.atMs;
            return;
        }
        if (outage_ && outage_->lost == Lost::kShown && enabled_)
            SendRestored(outage_->startMs, round.atMs, outage_->lostId);
        return outage_.reset();
    }
    if (!outage_ || outage_->restoredMs) outage_.emplace().startMs = round.atMs;
    if (round.lamp == common::kRoundRed && armed_ && enabled_ && outage_->lost == Lost::kNot) SendLost(round);
}

void Notifier::SendLost(const common::Round& round) {
    outage_->lost = Outage::Lost::kSent;
    platform::Notice notice{"Connection lost",
                            round.host + " has not answered since " + Clock(outage_->startMs) + " (" +
                                StatusText(round.status) + ")",
                            2,
                            "network.disconnected",
                            "network-connectivity-lost",
                            0,
                            kActions};
    server_.Notify(notice, [this, startMs = outage_->startMs](uint32_t id, const std::string& why) {
        Shown(id, why);
        if (!outage_ || outage_->startMs != startMs) return;
        outage_->lost = id != 0 ? Outage::Lost::kShown : Outage::Lost::kFailed;
        outage_->lostId = lostId_ = id;
        if (const auto endMs = outage_->restoredMs) {
            if (id != 0) SendRestored(startMs, *endMs, id);
            outage_.reset();
        }
    });
}

void Notifier::SendRestored(int64_t startMs, int64_t endMs, uint32_t replaces) {
    platform::Notice notice{"Connection restored",
                            "Down for " + history::LengthText(endMs - startMs) + " (" + Clock(startMs) +
                                " to " + Clock(endMs) + ")",
                            1,
                            "network.connected",
                            "network-connectivity-established",
                            replaces,
                            kActions};
    server_.Notify(notice, [this](uint32_t id, const std::string& why) {
        Shown(id, why);
        restoredId_ = id;
    });
}

void Notifier::Shown(uint32_t id, const std::string& why) {
    if (id != 0) return lastWhy_.clear();
    // Logged once while it lasts; the next outage tries again.
    if (why != lastWhy_) log_("TarnovelMon: the notification could not be shown: " + why);
    lastWhy_ = why;
}

void Notifier::Resumed() {
    armed_ = false;
    if (outage_ && outage_->lost == Outage::Lost::kShown && outage_->lostId != 0)
        server_.Close(outage_->lostId);
    outage_.reset();
}

void Notifier::Act(uint32_t id, const std::string& key) {
    if (id == 0 || (id != lostId_ && id != restoredId_)) return;
    if (key == "default" && actions_.show) actions_.show();
    if (key == "history" && actions_.history) actions_.history();
}

}  // namespace notify
