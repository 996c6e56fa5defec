#include "platform/qt/TrayHosts.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <cstdlib>

#include "platform/x11/Display.h"

namespace platform {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

// Long enough for a panel that holds both trays to register its StatusNotifierItem host after taking
// the XEmbed selection; short beside a panel's start.
constexpr int kXEmbedSettleMs = 1500;
constexpr int kBusTimeoutMs = 2000;

// The watcher's word on whether a StatusNotifierItem host is registered; false for any error, such as
// no watcher on the bus.
bool HostRegisteredIn(const QDBusPendingCall& call) {
    const QDBusPendingReply<QDBusVariant> reply = call;
    return reply.isValid() && reply.value().variant().toBool();
}

}  // namespace

TrayHosts::TrayHosts(QDBusConnection bus) : bus_(std::move(bus)) {
    settle_.setSingleShot(true);
    settle_.setInterval(kXEmbedSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        xembedSettled_ = xembed_;
        Changed();
    });
    // Reported from the event loop, never from inside the bus's or the X server's event handling.
    notify_.setSingleShot(true);
    notify_.setInterval(0);
    connect(&notify_, &QTimer::timeout, this, [this] {
        if (changed) changed();
    });
    busConnected_ = bus_.isConnected();
    known_ = !busConnected_;
    if (busConnected_) {
        AskAgain();
        // Setting up the watch waits for the bus's thread, several times: not before the window is up.
        QTimer::singleShot(0, this, &TrayHosts::WatchStatusNotifierHosts);
    }
    WatchXEmbedTray();
    // What is there at start counts at once: the panel is either up or not.
    xembedSettled_ = xembed_;
}

TrayHosts::~TrayHosts() {
    if (x_ != nullptr) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool TrayHosts::Present() const {
    return known_ && (statusNotifier_ || (xembed_ && xembedSettled_));
}

void TrayHosts::WatchStatusNotifierHosts() {
    auto* watcher = new QDBusServiceWatcher(
        kWatcherService, bus_,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayHosts::WatcherRegistered);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, &TrayHosts::WatcherUnregistered);
    // A name taken over with no gap (the old owner allowed replacement) is a new watcher, never
    // reported as registered: it knows no items either.
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& from, const QString& to) {
                if (!from.isEmpty() && !to.isEmpty()) WatcherRegistered();
            });
    bus_.connect(kWatcherService, kWatcherPath, kWatcherService,
                 QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(HostRegistered()));
    // Asked again now that the watch is up: a host that came since the first question counts.
    AskAgain();
}

// Answers come from the event loop; an answer is taken only while no later question is out, so a
// slow answer about a watcher that has gone since never overrides what is known now. The first answer
// taken is reported whatever it says.
void TrayHosts::AskAgain() {
    const int asked = ++question_;
    auto* call = new QDBusPendingCallWatcher(AskStatusNotifierHost(), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, asked](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        if (asked != question_) return;
        const bool registered = HostRegisteredIn(*answer);
        if (registered == statusNotifier_ && known_) return;
        known_ = true;
        statusNotifier_ = registered;
        Changed();
    });
}

QDBusPendingCall TrayHosts::AskStatusNotifierHost() const {
    QDBusMessage call = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath,
                                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                                       QStringLiteral("Get"));
    call << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    return bus_.asyncCall(call, kBusTimeoutMs);
}

// A new watcher (a panel that started or restarted, or one that took the name over) knows no items:
// the icons are made anew once it says a host is registered, whether by its answer or by its signal.
void TrayHosts::WatcherRegistered() {
    ++generation_;
    statusNotifier_ = false;
    AskAgain();
}

void TrayHosts::WatcherUnregistered() {
    known_ = true;
    ++question_;  // an answer still out is about the watcher that went
    statusNotifier_ = false;
    Changed();
}

void TrayHosts::HostRegistered() {
    known_ = true;
    ++question_;  // the signal is newer than any answer still out
    statusNotifier_ = true;
    Changed();
}

// The tray selection's owner, and XFixes' word on every change of it, on the connection Qt uses.
void TrayHosts::WatchXEmbedTray() {
    xcb_connection_t* x = x11::Connection();
    if (x == nullptr) return;
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0) screen = 0;
    std::free(host);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(x));
    for (int i = 0; i < screen && it.rem > 1; ++i) xcb_screen_next(&it);
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
    const uint32_t atom = x11::Atom(x, name, false);
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(x, &xcb_xfixes_id);
    if (atom == XCB_NONE || xfixes == nullptr || !xfixes->present) return;
    x_ = x;
    trayAtom_ = atom;
    selectionNotify_ = static_cast<uint8_t>(xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY);
    QCoreApplication::instance()->installNativeEventFilter(this);
    xcb_xfixes_select_selection_input(x, it.data->root, trayAtom_,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    const x11::Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(x, xcb_get_selection_owner(x, trayAtom_), nullptr), &std::free);
    xembed_ = owner && owner->owner != XCB_NONE;
}

bool TrayHosts::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != selectionNotify_) return false;
    const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
    if (notify->selection == trayAtom_) XEmbedOwnerChanged(notify->owner != XCB_NONE);
    return false;  // Qt sees it too
}

void TrayHosts::XEmbedOwnerChanged(bool owned) {
    xembed_ = owned;
    xembedSettled_ = owned && !busConnected_;
    settle_.stop();
    if (owned && busConnected_) settle_.start();
    Changed();
}

void TrayHosts::Changed() {
    notify_.start();
}

}  // namespace platform
