// The desktop's notifications over the session bus: the freedesktop notification server
// (org.freedesktop.Notifications), asked only asynchronously, so that a slow or absent server holds
// up neither a round nor the event loop. Whether the server offers actions is asked once for each
// server, before its first notice.
#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <optional>

#include "platform/DesktopNotifications.h"

namespace platform {

class DBusNotifications : public QObject, public DesktopNotifications {
    Q_OBJECT
  public:
    // Who sends the notices: the program's name, its icon's name, and its desktop entry's id.
    struct Sender {
        QString appName;
        QString icon;
        QString desktopEntry;
    };
    DBusNotifications(QDBusConnection bus, Sender sender);

    void Notify(const Notice& notice,
                std::function<void(uint32_t id, const std::string& why)> shown) override;
    void Close(uint32_t id) override;
    void SetHandlers(std::function<void(uint32_t id, const std::string& key)> action,
                     std::function<void()> serverChanged) override;

  private slots:
    void ActionInvoked(uint id, const QString& key);

  private:
    void Send(const Notice& notice, const std::function<void(uint32_t, const std::string&)>& shown);

    QDBusConnection bus_;
    Sender sender_;
    QDBusServiceWatcher watcher_;
    std::optional<bool> actions_;  // whether the server offers actions; unknown until it is asked
    std::function<void(uint32_t, const std::string&)> action_;
    std::function<void()> serverChanged_;
};

}  // namespace platform
