// The desktop's notification-area hosts, watched: a StatusNotifierItem host on the session bus (the
// watcher service, with a host registered with it) and, on X11, the manager of the XEmbed tray
// selection. Qt decides once per process, when its first tray icon is made or the tray is first asked
// for, whether it speaks StatusNotifierItem or XEmbed; a program that asked before the panel was up
// would speak XEmbed for its life. So tray icons are made only once a host is known to be there.
// At start the bus is asked once without waiting, and the watching itself begins once the event loop
// runs, with a second question that covers the time between. No question is ever waited for: until the
// first answer comes (from the event loop, within the bus's timeout), no host counts as there.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

struct xcb_connection_t;

namespace platform {

class TrayHosts final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
  public:
    // Watches for StatusNotifierItem hosts on `bus`, the session's.
    explicit TrayHosts(QDBusConnection bus);
    ~TrayHosts() override;
    TrayHosts(const TrayHosts&) = delete;
    TrayHosts& operator=(const TrayHosts&) = delete;

    // Whether a host is there to take icons. An XEmbed tray that comes while a session bus is there
    // counts after a short settling time, in which a panel that is both registers its other half.
    bool Present() const;
    // Whether the StatusNotifierItem watcher says a host is registered: the question Qt asks when it
    // makes its first tray icon, to speak StatusNotifierItem, or XEmbed, for the process's life.
    bool StatusNotifierHost() const { return statusNotifier_; }
    // Whether the first word on the StatusNotifierItem hosts has come (at once without a session bus).
    bool Known() const { return known_; }
    // Counts the StatusNotifierItem watchers seen: a new one (a panel restarted) knows no items.
    int Generation() const { return generation_; }
    // Called from the event loop after a host came, went or was replaced.
    std::function<void()> changed;

  private slots:
    void WatcherRegistered();
    void WatcherUnregistered();
    void HostRegistered();

  private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void WatchStatusNotifierHosts();
    void WatchXEmbedTray();
    QDBusPendingCall AskStatusNotifierHost() const;
    void AskAgain();
    void XEmbedOwnerChanged(bool owned);
    void Changed();

    bool statusNotifier_ = false;
    bool xembed_ = false;
    bool xembedSettled_ = false;
    QDBusConnection bus_;
    bool busConnected_ = false;
    bool known_ = false;
    int generation_ = 0;
    int question_ = 0;  // the last question asked; older answers are dropped
    xcb_connection_t* x_ = nullptr;
    uint32_t trayAtom_ = 0;
    uint8_t selectionNotify_ = 0;
    QTimer settle_;
    QTimer notify_;
};

}  // namespace platform
