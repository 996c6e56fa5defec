// The notification area over QSystemTrayIcon: one tray icon per owner and identifier. Where the desktop
// offers no tray (no StatusNotifier host on the session bus, no XEmbed tray manager on X11), adding fails.
#pragma once

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <map>
#include <memory>
#include <utility>

#include "platform/NotificationArea.h"

namespace platform {

class QtNotificationArea final : public NotificationArea {
  public:
    QtNotificationArea();
    ~QtNotificationArea() override;
    QtNotificationArea(const QtNotificationArea&) = delete;
    QtNotificationArea& operator=(const QtNotificationArea&) = delete;

    bool Available() override;
    bool Add(int32_t owner, uint32_t id, int32_t iconHandle, const std::string& tip) override;
    bool Modify(int32_t owner, uint32_t id, int32_t iconHandle, const std::string& tip) override;
    bool Delete(int32_t owner, uint32_t id) override;
    void SetEventHandler(EventHandler handler) override;

    // The tray icon shown for the owner and identifier; nullptr when there is none.
    QSystemTrayIcon* TrayIcon(int32_t owner, uint32_t id) const;

  private:
    using Key = std::pair<int32_t, uint32_t>;
    void Dispatch(const Key& key, QSystemTrayIcon::ActivationReason reason);

    // Receives the icons' activations, queued: the handler runs from the event loop, never inside the
    // tray's own mouse handling, so it may open menus or delete the icon.
    QObject context_;
    std::map<Key, std::unique_ptr<QSystemTrayIcon>> icons_;
    EventHandler handler_;
};

// The tip as a tool tip that shows exactly its characters: text Qt would take for markup is escaped.
QString PlainToolTip(const std::string& tip);

}  // namespace platform
