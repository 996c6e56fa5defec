#include "platform/qt/QtNotificationArea.h"

#include <QTextDocument>

#include "platform/forms/Handles.h"

namespace platform {

namespace {

// The window message of an activation; 0 for those the program does not receive.
int32_t MessageFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            return kWmLButtonDown;
        case QSystemTrayIcon::DoubleClick:
            return kWmLButtonDblClk;
        case QSystemTrayIcon::Context:
            return kWmRButtonDown;
        default:
            return 0;
    }
}

}  // namespace

QString PlainToolTip(const std::string& tip) {
    const QString text = QString::fromUtf8(tip.data(), static_cast<qsizetype>(tip.size()));
    if (!Qt::mightBeRichText(text)) return text;
    return QStringLiteral("<p style=\"white-space:pre\">") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

QtNotificationArea::QtNotificationArea() = default;

QtNotificationArea::~QtNotificationArea() = default;

bool QtNotificationArea::Available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtNotificationArea::Add(int32_t owner, uint32_t id, int32_t iconHandle, const std::string& tip) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
    const Key key{owner, id};
    if (icons_.count(key) != 0) return false;
    auto icon = std::make_unique<QSystemTrayIcon>(forms::IconFromHandle(iconHandle));
    icon->setToolTip(PlainToolTip(tip));
    QObject::connect(
        icon.get(), &QSystemTrayIcon::activated, &context_,
        [this, key](QSystemTrayIcon::ActivationReason reason) { Dispatch(key, reason); },
        Qt::QueuedConnection);
    icon->show();
    icons_.emplace(key, std::move(icon));
    return true;
}

bool QtNotificationArea::Modify(int32_t owner, uint32_t id, int32_t iconHandle, const std::string& tip) {
    const auto it = icons_.find(Key{owner, id});
    if (it == icons_.end()) return false;
    it->second->setIcon(forms::IconFromHandle(iconHandle));
    it->second->setToolTip(PlainToolTip(tip));
    return true;
}

bool QtNotificationArea::Delete(int32_t owner, uint32_t id) {
    const auto it = icons_.find(Key{owner, id});
    if (it == icons_.end()) return false;
    it->second->hide();
    icons_.erase(it);
    return true;
}

void QtNotificationArea::SetEventHandler(EventHandler handler) {
    handler_ = std::move(handler);
}

QSystemTrayIcon* QtNotificationArea::TrayIcon(int32_t owner, uint32_t id) const {
    const auto it = icons_.find(Key{owner, id});
    return it == icons_.end() ? nullptr : it->second.get();
}

void QtNotificationArea::Dispatch(const Key& key, QSystemTrayIcon::ActivationReason reason) {
    const int32_t message = MessageFor(reason);
    // An activation still queued when its icon was deleted is dropped.
    if (message == 0 || !handler_ || icons_.count(key) == 0) return;
    const EventHandler handler = handler_;  // the handler may replace itself while it runs
    handler(key.first, key.second, message);
}

}  // namespace platform
