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

QtNotificationArea::QtNotificationArea(QDBusConnection bus) : hosts_(std::move(bus)) {
    hosts_.changed = [this] { HostsChanged(); };
}

QtNotificationArea::~QtNotificationArea() = default;

bool QtNotificationArea::Available() {
    return hosts_.Present();
}

bool QtNotificationArea::Add(int32_t owner, uint32_t id, int32_t iconHandle, const std::string& tip) {
    if (!hosts_.Present()) return false;
    const Key key{owner, id};
    if (icons_.count(key) != 0) return false;
    if (icons_.empty()) {
        onHost_ = true;
        generation_ = hosts_.Generation();
    }
    // Qt chooses at its first tray icon, for the process's life, by the watcher's same word.
    if (!xembed_) xembed_ = !hosts_.StatusNotifierHost();
    Entry entry{iconHandle, tip, nullptr};
    entry.icon = MakeIcon(key, entry);
    icons_.emplace(key, std::move(entry));
    return true;
}

bool QtNotificationArea::Modify(int32_t owner, uint32_t id, int32_t iconHandle, const std::string& tip) {
    const auto it = icons_.find(Key{owner, id});
    if (it == icons_.end()) return false;
    Entry& entry = it->second;
    entry.iconHandle = iconHandle;
    entry.tip = tip;
    entry.icon->setIcon(forms::IconFromHandle(iconHandle));
    entry.icon->setToolTip(PlainToolTip(tip));
    return true;
}

bool QtNotificationArea::Delete(int32_t owner, uint32_t id) {
    const auto it = icons_.find(Key{owner, id});
    if (it == icons_.end()) return false;
    it->second.icon->hide();
    icons_.erase(it);
    return true;
}

std::unique_ptr<QSystemTrayIcon> QtNotificationArea::MakeIcon(const Key& key, const Entry& entry) {
    auto icon = std::make_unique<QSystemTrayIcon>(forms::IconFromHandle(entry.iconHandle));
    icon->setToolTip(PlainToolTip(entry.tip));
    QObject::connect(
        icon.get(), &QSystemTrayIcon::activated, &context_,
        [this, key](QSystemTrayIcon::ActivationReason reason) { Dispatch(key, reason); },
        Qt::QueuedConnection);
    icon->show();
    // Over StatusNotifierItem the host draws the menu (Qt exports it over DBusMenu). On an XEmbed tray
    // Qt would pop a menu it holds up by itself, beside the one the right-button event pops up.
    if (menu_ != nullptr && !*xembed_) icon->setContextMenu(menu_);
    return icon;
}

void QtNotificationArea::SetTrayMenu(QMenu* menu) {
    menu_ = menu;
    for (auto& [key, entry] : icons_) {
        if (!*xembed_) entry.icon->setContextMenu(menu);
    }
}

// A host that came, or a new StatusNotifierItem watcher (which knows no items), gets every icon anew.
// The first word on the hosts is passed on whatever it says.
void QtNotificationArea::HostsChanged() {
    const bool present = hosts_.Present();
    const bool renew = present && (!onHost_ || generation_ != hosts_.Generation());
    const bool firstWord = !known_ && hosts_.Known();
    known_ = hosts_.Known();
    onHost_ = present;
    generation_ = hosts_.Generation();
    if (renew) {
        for (auto& [key, entry] : icons_) {
            entry.icon.reset();
            entry.icon = MakeIcon(key, entry);
        }
    }
    if ((renew || firstWord) && arrival_) {
        const ArrivalHandler arrival = arrival_;
        arrival();
    }
}

void QtNotificationArea::SetEventHandler(EventHandler handler) {
    handler_ = std::move(handler);
}

void QtNotificationArea::SetArrivalHandler(ArrivalHandler handler) {
    arrival_ = std::move(handler);
}

void QtNotificationArea::Dispatch(const Key& key, QSystemTrayIcon::ActivationReason reason) {
    const int32_t message = MessageFor(reason);
    // An activation still queued when its icon was deleted is dropped.
    if (message == 0 || !handler_ || icons_.count(key) == 0) return;
    const EventHandler handler = handler_;  // the handler may replace itself while it runs
    handler(key.first, key.second, message);
}

}  // namespace platform
