// The desktop's notification area ("system tray"), narrowed to one kind of icon: added, changed and
// removed by its owner's window handle and an identifier, with a picture and a plain-text tip.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// Window message numbers of the icon's mouse events.
constexpr int32_t kWmMouseMove = 512;
constexpr int32_t kWmLButtonDown = 513;
constexpr int32_t kWmLButtonUp = 514;
constexpr int32_t kWmLButtonDblClk = 515;
constexpr int32_t kWmRButtonDown = 516;
constexpr int32_t kWmRButtonUp = 517;
constexpr int32_t kWmRButtonDblClk = 518;

class NotificationArea {
  public:
    virtual ~NotificationArea() = default;
    // Whether a notification area is there to take icons now.
    virtual bool Available() = 0;
    // Whether the desktop's first word on a notification area has come; until then none is available.
    virtual bool Known() { return true; }
    // Adds an icon. False when no notification area is available now, or the icon exists already.
    virtual bool Add(int32_t owner, uint32_t id, int32_t iconHandle, const std::string& tip) = 0;
    // Replaces picture and tip of an icon. False when there is no such icon.
    virtual bool Modify(int32_t owner, uint32_t id, int32_t iconHandle, const std::string& tip) = 0;
    // Removes an icon. False when there is no such icon.
    virtual bool Delete(int32_t owner, uint32_t id) = 0;

    // Receives the icons' mouse events as window message numbers (kWmLButtonDown, ...).
    using EventHandler = std::function<void(int32_t owner, uint32_t id, int32_t message)>;
    virtual void SetEventHandler(EventHandler handler) = 0;

    // Called when a notification area comes that was not there (a panel that starts after the program,
    // or restarts): the icons added are shown on it again, and one whose add failed may be added now.
    // Called too when the first word comes and says there is none.
    using ArrivalHandler = std::function<void()>;
    virtual void SetArrivalHandler(ArrivalHandler handler) = 0;
};

}  // namespace platform
