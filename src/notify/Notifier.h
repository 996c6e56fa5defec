// Tells the user, through the desktop's notifications, when the connection is lost and when it is back:
// "Connection lost" at the first red round of an outage, and "Connection restored" in its place at the
// next green round, with how long it was down. An outage is the history's: from the first round that is
// not green to the next green one. Exactly one of each is sent per outage, whatever its rounds do in
// between; a yellow round alone sends nothing.
//
// Nothing is told until a round has been green after a logon start (the network may not be up yet) or
// after a resume from suspend; an outage running when the program is started by the user counts from
// its first round. A resume ends the outage that ran before it, and takes its notice away.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/Round.h"
#include "platform/Clock.h"
#include "platform/DesktopNotifications.h"

namespace notify {

// "request timed out, status 11010"; "status N" for a status without a name.
std::string StatusText(int32_t status);

class Notifier : public common::RoundSink {
  public:
    using Log = std::function<void(const std::string& line)>;
    struct Actions {
        std::function<void()> show;     // the default action: the main window shown
        std::function<void()> history;  // "Show history": the History window
    };
    Notifier(platform::DesktopNotifications& server, platform::TickClock& clock, Log log);

    // The user's choice ("Notify" in the tray's menu); on at first.
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Enabled() const { return enabled_; }
    // The program was started at logon: nothing is told until a round has been green.
    void StartedAtLogon() { armed_ = false; }
    void SetActions(Actions actions) { actions_ = std::move(actions); }
    void Record(const common::Round& round) override;

  private:
    struct Outage {
        int64_t startMs = 0;
        // "Connection lost": not sent, sent and not answered yet, shown, or not shown.
        enum class Lost { kNot, kSent, kShown, kFailed } lost = Lost::kNot;
        uint32_t lostId = 0;                // the server's id for it; 0 once that server has gone
        std::optional<int64_t> restoredMs;  // the green round, while "restored" waits for the answer
    };
    void SendLost(const common::Round& round);
    void SendRestored(int64_t startMs, int64_t endMs, uint32_t replaces);
    void Shown(uint32_t id, const std::string& why);
    void Resumed();
    void Act(uint32_t id, const std::string& key);

    platform::DesktopNotifications& server_;
    platform::TickClock& clock_;
    Log log_;
    Actions actions_;
    bool enabled_ = true;
    bool armed_ = true;
    uint32_t resumes_;
    std::optional<Outage> outage_;
    // The ids of the notices this program showed last, for their actions.
    uint32_t lostId_ = 0, restoredId_ = 0;
    std::string lastWhy_;
};

}  // namespace notify
