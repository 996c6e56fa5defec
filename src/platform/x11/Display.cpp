#include "platform/x11/Display.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>

namespace x11 {

bool OnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

xcb_connection_t* Connection() {
    auto* x11 = qGuiApp == nullptr ? nullptr : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 == nullptr ? nullptr : x11->connection();
}

uint32_t Atom(xcb_connection_t* x, const QByteArray& name, bool onlyIfExists) {
    const Reply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(
            x, xcb_intern_atom(x, onlyIfExists, static_cast<uint16_t>(name.size()), name.constData()),
            nullptr),
        &std::free);
    return atom ? atom->atom : XCB_NONE;
}

}  // namespace x11
