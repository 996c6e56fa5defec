#include "platform/qt/DBusNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>
#include <utility>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// A server that has not answered by then is taken as none.
constexpr int kAnswerTimeoutMs = 25'000;

QDBusMessage Call(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

// Calls `answered` with the reply once it comes, on the event loop.
template <typename Reply, typename Answered>
void WhenAnswered(QObject* owner, const QDBusPendingCall& call, Answered answered) {
    auto* watcher = new QDBusPendingCallWatcher(call, owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner,
                     [answered = std::move(answered)](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         answered(Reply(*w));
                     });
}

}  // namespace

DBusNotifications::DBusNotifications(QDBusConnection bus, Sender sender)
    : bus_(std::move(bus)),
      sender_(std::move(sender)),
      watcher_(kService, bus_, QDBusServiceWatcher::WatchForOwnerChange) {
    connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] {
        actions_.reset();
        if (serverChanged_) serverChanged_();
    });
    bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(ActionInvoked(uint, QString)));
}

void DBusNotifications::SetHandlers(std::function<void(uint32_t, const std::string&)> action,
                                    std::function<void()> serverChanged) {
    action_ = std::move(action);
    serverChanged_ = std::move(serverChanged);
}

void DBusNotifications::ActionInvoked(uint id, const QString& key) {
    if (action_) action_(id, key.toStdString());
}

void DBusNotifications::Notify(const Notice& notice,
                               std::function<void(uint32_t id, const std::string& why)> shown) {
    if (actions_) return Send(notice, shown);
    WhenAnswered<QDBusPendingReply<QStringList>>(
        this, bus_.asyncCall(Call(QStringLiteral("GetCapabilities")), kAnswerTimeoutMs),
        [this, notice, shown](const QDBusPendingReply<QStringList>& reply) {
            if (reply.isError()) return shown(0, reply.error().message().toStdString());
            actions_ = reply.value().contains(QStringLiteral("actions"));
            Send(notice, shown);
        });
}

void DBusNotifications::Send(const Notice& notice,
                             const std::function<void(uint32_t, const std::string&)>& shown) {
    QStringList actions;
    if (actions_.value_or(false)) {
        for (const auto& [key, caption] : notice.actions)
            actions << QString::fromStdString(key) << QString::fromStdString(caption);
    }
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue<uchar>(notice.urgency)},
                            {QStringLiteral("category"), QString::fromStdString(notice.category)},
                            {QStringLiteral("sound-name"), QString::fromStdString(notice.sound)},
                            {QStringLiteral("desktop-entry"), sender_.desktopEntry}};
    QDBusMessage call = Call(QStringLiteral("Notify"));
    call << sender_.appName << static_cast<uint>(notice.replaces) << sender_.icon
         << QString::fromStdString(notice.summary) << QString::fromStdString(notice.body) << actions << hints
         << -1;
    WhenAnswered<QDBusPendingReply<uint>>(this, bus_.asyncCall(call, kAnswerTimeoutMs),
                                          [shown](const QDBusPendingReply<uint>& reply) {
                                              if (reply.isError())
                                                  return shown(0, reply.error().message().toStdString());
                                              shown(reply.value(), {});
                                          });
}

void DBusNotifications::Close(uint32_t id) {
    QDBusMessage call = Call(QStringLiteral("CloseNotification"));
    call << static_cast<uint>(id);
    bus_.asyncCall(call, kAnswerTimeoutMs);
}

}  // namespace platform
