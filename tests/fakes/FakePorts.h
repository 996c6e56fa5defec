// The operating system's services in memory, free of Qt, and the bundle of them that a test hands to
// the program's units.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "fakes/FakeEchoService.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeResolver.h"
#include "platform/Clock.h"
#include "platform/DesktopNotifications.h"
#include "platform/HistoryFile.h"
#include "platform/NotificationArea.h"
#include "platform/Services.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"

namespace fakes {

// Fake time: Sleep advances it at once, and a wait for events advances it to the first action that
// is due, or to its end. Actions scheduled for a moment run when time reaches it, as user input would
// arrive during a wait. A suspend moves time on and counts a resume.
class FakeClock : public platform::TickClock {
  public:
    int64_t now = 0;  // milliseconds; read as the low 32 bits, signed
    uint32_t resumes = 0;
    std::multimap<int64_t, std::function<void()>> actions;
    int32_t GetTickCount() override { return static_cast<int32_t>(static_cast<uint32_t>(now)); }
    void Sleep(int32_t ms) override {
        now += ms;
        RunDue();
    }
    void WaitForEvents(int32_t ms) override {
        const int64_t end = now + ms;
        now = actions.empty() ? end : std::clamp(actions.begin()->first, now, end);
        RunDue();
    }
    uint32_t Resumes() override { return resumes; }
    // Ten in the morning, UTC, at the start; runs on with the ticks.
    std::time_t Now() override { return 10 * 3600 + now / 1000; }
    int64_t NowMs() override { return 10 * 3600 * 1000 + now; }
    void At(int64_t when, std::function<void()> action) { actions.emplace(when, std::move(action)); }
    void Suspend(int64_t ms) {
        now += ms;
        ++resumes;
    }

  private:
    void RunDue() {
        while (!actions.empty() && actions.begin()->first <= now) {
            auto action = std::move(actions.begin()->second);
            actions.erase(actions.begin());
            action();
        }
    }
};

class FakeSettingsStore : public platform::SettingsStore {
  public:
    std::map<std::string, std::string> values;  // by key, of the one section used
    std::vector<std::string> writes;            // keys, in the order written
    std::string Read(const std::string&, const std::string&, const std::string& key,
                     const std::string& defaultValue) override {
        const auto it = values.find(key);
        return it == values.end() ? defaultValue : it->second;
    }
    void Write(const std::string&, const std::string&, const std::string& key,
               const std::string& value) override {
        writes.push_back(key);
        values[key] = value;
    }
    bool Flush() override { return true; }
};

// Icons exist between their add and delete; adding fails while unavailable or when the icon exists.
class FakeNotificationArea : public platform::NotificationArea {
  public:
    struct Shown {
        int32_t icon;
        std::string tip;
    };
    bool available = true;
    std::map<std::pair<int32_t, uint32_t>, Shown> icons;
    EventHandler handler;
    bool Available() override { return available; }
    bool Add(int32_t owner, uint32_t id, int32_t icon, const std::string& tip) override {
        return available && icons.emplace(std::pair{owner, id}, Shown{icon, tip}).second;
    }
    bool Modify(int32_t owner, uint32_t id, int32_t icon, const std::string& tip) override {
        const auto it = icons.find({owner, id});
        if (it == icons.end()) return false;
        it->second = {icon, tip};
        return true;
    }
    bool Delete(int32_t owner, uint32_t id) override { return icons.erase({owner, id}) == 1; }
    void SetEventHandler(EventHandler h) override { handler = std::move(h); }
    ArrivalHandler arrival;
    void SetArrivalHandler(ArrivalHandler h) override { arrival = std::move(h); }
    // The one icon's tip; "" when none is shown.
    std::string Tip() const { return icons.empty() ? "" : icons.begin()->second.tip; }
};

class FakeProgramEnd : public platform::ProgramEnd {
  public:
    int ends = 0;
    void EndProgram() override { ++ends; }
};

// No other program runs.
class FakeSingleInstance : public platform::SingleInstance {
  public:
    bool BecomeTheOne() override { return true; }
    void SetForwardHandler(ForwardHandler) override {}
};

// The history file: what it is told to answer, and what was written.
class FakeHistoryFile : public platform::HistoryFile {
  public:
    platform::HistoryOpened opened{true, false, {}, {}};
    platform::HistoryWrite answer = platform::HistoryWrite::kDone;
    std::string why = "disk full";
    std::vector<common::Round> rows;
    std::vector<int64_t> deletes;    // each batch's time
    int opens = 0, moreBatches = 0;  // batches left to delete after the next
    mutable std::mutex mutex;        // the History window reads on a thread of its own
    platform::HistoryOpened Open() override { return ++opens, opened; }
    platform::HistoryWrite Append(std::span<const common::Round> rounds, std::string& w) override {
        const std::lock_guard lock(mutex);
        if (answer == platform::HistoryWrite::kDone) rows.insert(rows.end(), rounds.begin(), rounds.end());
        w = why;
        return answer;
    }
    platform::HistoryWrite DeleteBefore(int64_t atMs, bool& more, std::string&) override {
        deletes.push_back(atMs);
        more = moreBatches-- > 0;
        return platform::HistoryWrite::kDone;
    }
    bool Read(int64_t from, const std::function<void(const common::Round&)>& each,
              std::string&) const override {
        const std::lock_guard lock(mutex);
        for (const common::Round& r : rows) {
            if (r.atMs >= from) each(r);
        }
        return true;
    }
};

class FakeTimer : public platform::OneShotTimer {
  public:
    std::function<void()> due;
    int32_t ms = 0, starts = 0;
    void Start(int32_t milliseconds, std::function<void()> d) override {
        ms = milliseconds;
        due = std::move(d);
        ++starts;
    }
    void Stop() override { due = nullptr; }
    bool Running() const override { return due != nullptr; }
    // Runs the callback as the timer would when due.
    void Fire() { std::exchange(due, nullptr)(); }
};

// The notification server: the notices sent and closed; each answered at once with the next id, or
// with 0 and `why` while `answer` is false, or held in `pending` while `hold` is set.
class FakeNotifications : public platform::DesktopNotifications {
  public:
    std::vector<platform::Notice> sent;
    std::vector<uint32_t> closed;
    bool answer = true, hold = false;
    std::string why = "no server";
    uint32_t nextId = 7;
    std::vector<std::function<void()>> pending;
    std::function<void(uint32_t, const std::string&)> action;
    std::function<void()> serverChanged;
    void Notify(const platform::Notice& n, std::function<void(uint32_t, const std::string&)> shown) override {
        sent.push_back(n);
        auto reply = [this, shown] { answer ? shown(nextId++, {}) : shown(0, why); };
        hold ? pending.push_back(reply) : reply();
    }
    void Close(uint32_t id) override { closed.push_back(id); }
    void SetHandlers(std::function<void(uint32_t, const std::string&)> a,
                     std::function<void()> changed) override {
        action = std::move(a);
        serverChanged = std::move(changed);
    }
};

// Every port, faked; Services() hands them out as the program's start would.
struct FakePorts {
    FakeEchoService echo;
    FakeResolver resolver;
    FakeClock clock;
    FakeSettingsStore settings;
    FakeRegistry registry;
    FakeNotificationArea area;
    FakeProgramEnd end;
    FakeSingleInstance single;
    FakeHistoryFile history;
    FakeTimer historyRetry;
    FakeNotifications notifications;
    platform::ProgramLocation location{"/opt/tn", "TarnovelMon"};
    FakePorts() { registry.keys["Software\\Microsoft\\Windows\\CurrentVersion\\Run"]; }
    platform::Services Services() {
        return {echo, resolver, clock,   settings,     registry,      area,
                end,  single,   history, historyRetry, notifications, location};
    }
};

}  // namespace fakes
