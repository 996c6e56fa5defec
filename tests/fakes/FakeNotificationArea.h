// A notification area in memory that keeps the interface's contract: an icon exists between its add and
// its delete, adding fails while the area is unavailable or the icon exists, and modifying or deleting
// an icon that does not exist fails. Every call is recorded with its arguments and the answer given;
// the event handler is kept so that a test can raise the icons' mouse events.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/NotificationArea.h"
#include "platform/NotificationAreaService.h"

namespace fakes {

class FakeNotificationArea : public platform::NotificationArea {
  public:
    enum class Kind { kAdd, kModify, kDelete };
    struct Call {
        Kind kind;
        int32_t owner;
        uint32_t id;
        int32_t icon;  // 0 for deletes
        std::string tip;
        bool answer;
    };
    struct Shown {
        int32_t icon;
        std::string tip;
    };

    bool available = true;                                // a tray is there to take icons
    std::vector<Call> calls;                              // in order
    std::map<std::pair<int32_t, uint32_t>, Shown> icons;  // the icons shown now
    EventHandler handler;

    bool Available() override { return available; }
    bool Add(int32_t owner, uint32_t id, int32_t iconHandle, const std::string& tip) override {
        const bool ok = available && icons.count({owner, id}) == 0;
        if (ok) icons[{owner, id}] = {iconHandle, tip};
        calls.push_back({Kind::kAdd, owner, id, iconHandle, tip, ok});
        return ok;
    }
    bool Modify(int32_t owner, uint32_t id, int32_t iconHandle, const std::string& tip) override {
        const auto it = icons.find({owner, id});
        const bool ok = it != icons.end();
        if (ok) it->second = {iconHandle, tip};
        calls.push_back({Kind::kModify, owner, id, iconHandle, tip, ok});
        return ok;
    }
    bool Delete(int32_t owner, uint32_t id) override {
        const bool ok = icons.erase({owner, id}) == 1;
        calls.push_back({Kind::kDelete, owner, id, 0, {}, ok});
        return ok;
    }
    void SetEventHandler(EventHandler h) override { handler = std::move(h); }
};

// Puts the fake in place for the life of the object.
class ScopedNotificationArea {
  public:
    explicit ScopedNotificationArea(FakeNotificationArea& area) { platform::SetNotificationArea(&area); }
    ~ScopedNotificationArea() { platform::SetNotificationArea(nullptr); }
    ScopedNotificationArea(const ScopedNotificationArea&) = delete;
    ScopedNotificationArea& operator=(const ScopedNotificationArea&) = delete;
};

}  // namespace fakes
