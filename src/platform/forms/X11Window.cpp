#include "platform/forms/X11Window.h"

#include <xcb/xcb.h>

#include <QWidget>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/x11/Display.h"

namespace forms {

namespace {

// The states of ICCCM, as WM_HINTS' initial state and WM_STATE give them.
constexpr uint32_t kNormalState = 1;
constexpr uint32_t kIconicState = 3;

xcb_connection_t* Connection(const QWidget& widget) {
    return widget.testAttribute(Qt::WA_WState_Created) ? x11::Connection() : nullptr;
}

// The property's 32-bit items; empty when it is missing or shorter than `count`.
std::vector<uint32_t> Cardinals(xcb_connection_t* x, xcb_window_t window, xcb_atom_t property,
                                uint32_t count) {
    const x11::Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            x, xcb_get_property(x, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, count), nullptr),
        &std::free);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < int(count * 4))
        return {};
    const auto* items = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return {items, items + count};
}

}  // namespace

std::optional<QSizeF> X11Frame(const QWidget& widget) {
    xcb_connection_t* x = Connection(widget);
    if (x == nullptr) return std::nullopt;
    const xcb_atom_t extents = x11::Atom(x, "_NET_FRAME_EXTENTS", true);
    if (extents == XCB_NONE) return std::nullopt;
    const std::vector<uint32_t> e = Cardinals(x, static_cast<xcb_window_t>(widget.winId()), extents, 4);
    if (e.empty()) return std::nullopt;
    const qreal ratio = widget.devicePixelRatioF();
    return QSizeF((e[0] + e[1]) / ratio, (e[2] + e[3]) / ratio);
}

void ClearX11IconicHint(const QWidget& widget) {
    xcb_connection_t* x = Connection(widget);
    if (x == nullptr) return;
    // WM_HINTS: flags, input, initial state, ...; flag 2 says the initial state is set.
    constexpr uint32_t kStateHint = 2;
    const auto window = static_cast<xcb_window_t>(widget.winId());
    std::vector<uint32_t> hints = Cardinals(x, window, XCB_ATOM_WM_HINTS, 9);
    if (hints.empty() || (hints[0] & kStateHint) == 0 || hints[2] != kIconicState) return;
    hints[2] = kNormalState;
    xcb_change_property(x, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                        static_cast<uint32_t>(hints.size()), hints.data());
}

bool X11IconicWatch::Restores(const QWidget& widget, const void* message) {
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    xcb_connection_t* x = Connection(widget);
    if (x == nullptr || (event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
    const auto* change = static_cast<const xcb_property_notify_event_t*>(message);
    if (wmState_ == XCB_NONE) wmState_ = x11::Atom(x, "WM_STATE", false);
    if (change->atom != wmState_ || change->window != static_cast<xcb_window_t>(widget.winId())) return false;
    const std::vector<uint32_t> state = Cardinals(x, change->window, wmState_, 1);
    const uint32_t now = state.empty() ? 0 : state[0];  // 0: withdrawn, the property gone
    const bool restored = iconic_ && now == kNormalState;
    iconic_ = now == kIconicState;
    return restored;
}

}  // namespace forms
