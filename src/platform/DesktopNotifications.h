// The desktop's notifications: a notice shown by the session's notification server, replaced or closed
// later by the id the server gave it, and the actions the user takes on one. Nothing here waits for
// the server: each call returns at once and its answer comes later on the event loop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct Notice {
    std::string summary;
    std::string body;
    uint8_t urgency = 1;  // 0 low, 1 normal, 2 critical
    std::string category;
    std::string sound;      // a sound theme's name
    uint32_t replaces = 0;  // the id of a notice shown before, to show this in its place; 0 for none
    // Keys and captions of the actions offered, "default" first; where the server offers none, none.
    std::vector<std::pair<std::string, std::string>> actions;
};

class DesktopNotifications {
  public:
    virtual ~DesktopNotifications() = default;
    // Shows the notice. `shown` is called once, later: with the server's id for it, or with 0 and why
    // when no server showed it.
    virtual void Notify(const Notice& notice,
                        std::function<void(uint32_t id, const std::string& why)> shown) = 0;
    // Takes a shown notice away.
    virtual void Close(uint32_t id) = 0;
    // `action` is called with a notice's id and the key of the action the user took on it;
    // `serverChanged` when the server began anew or went, so that the ids it gave mean nothing now.
    virtual void SetHandlers(std::function<void(uint32_t id, const std::string& key)> action,
                             std::function<void()> serverChanged) = 0;
};

}  // namespace platform
