// Which display server the program is a client of, and Qt's own connection to the X server for what Qt
// does not offer. Elsewhere (Wayland, offscreen) there is no connection.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <memory>

struct xcb_connection_t;

namespace x11 {

// Whether the program is a Wayland client: the compositor then places the windows and keeps their
// state to itself.
bool OnWayland();

// Qt's X connection; nullptr where the program is not an X11 client.
xcb_connection_t* Connection();
// The atom of the name; 0 when there is none (and `onlyIfExists`) or the server did not answer.
uint32_t Atom(xcb_connection_t* x, const QByteArray& name, bool onlyIfExists);
// An xcb reply, freed with it.
template <typename T>
using Reply = std::unique_ptr<T, void (*)(void*)>;

}  // namespace x11
