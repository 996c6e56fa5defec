// The notification area over QSystemTrayIcon: one tray icon per owner and identifier. Where the desktop
// offers no tray (no StatusNotifier host on the session bus, no XEmbed tray manager on X11), adding fails.
// Icons outlive their host: a panel that restarts gets them back, with their current picture and tip.
#pragma once

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "platform/NotificationArea.h"
#include "platform/forms/Services.h"
#include "platform/qt/TrayHosts.h"

namespace platform {

class QtNotificationArea final : public NotificationArea, public forms::TrayMenuHost {
  public:
    // The StatusNotifierItem hosts are watched on `bus`, the session's.
    explicit QtNotificationArea(QDBusConnection bus);
    ~QtNotificationArea() override;
    QtNotificationArea(const QtNotificationArea&) = delete;
    QtNotificationArea& operator=(const QtNotificationArea&) = delete;

    bool Available() override;
    bool Known() override { return hosts_.Known(); }
    bool Add(int32_t owner, uint32_t id, int32_t iconHandle, const std::string& tip) override;
    bool Modify(int32_t owner, uint32_t id, int32_t iconHandle, const std::string& tip) override;
    bool Delete(int32_t owner, uint32_t id) override;
    void SetEventHandler(EventHandler handler) override;
    void SetArrivalHandler(ArrivalHandler handler) override;
    void SetTrayMenu(QMenu* menu) override;

  private:
    using Key = std::pair<int32_t, uint32_t>;
    struct Entry {
        int32_t iconHandle;
        std::string tip;
        std::unique_ptr<QSystemTrayIcon> icon;
    };
    std::unique_ptr<QSystemTrayIcon> MakeIcon(const Key& key, const Entry& entry);
    void HostsChanged();
    void Dispatch(const Key& key, QSystemTrayIcon::ActivationReason reason);

    // Receives the icons' activations, queued: the handler runs from the event loop, never inside the
    // tray's own mouse handling, so it may open menus or delete the icon.
    QObject context_;
    TrayHosts hosts_;
    bool onHost_ = false;  // the icons are shown on the host that is there now (known from the first)
    int generation_ = 0;
    bool known_ = false;  // the first word on the hosts has been passed on
    std::map<Key, Entry> icons_;
    EventHandler handler_;
    ArrivalHandler arrival_;
    QMenu* menu_ = nullptr;
    // Whether Qt shows the icons on an XEmbed tray (it then pops no menu of the program's up by
    // itself); chosen with the first icon.
    std::optional<bool> xembed_;
};

// The tip as a tool tip that shows exactly its characters: text Qt would take for markup is escaped.
QString PlainToolTip(const std::string& tip);

}  // namespace platform
