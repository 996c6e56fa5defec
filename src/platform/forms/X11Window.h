// What a window needs from the X server beyond what Qt offers, read and written on Qt's own connection.
// Elsewhere (Wayland, offscreen) these do nothing.
#pragma once

#include <QByteArray>
#include <QSizeF>
#include <cstdint>
#include <memory>
#include <optional>

class QWidget;
struct xcb_connection_t;

namespace forms {

// Qt's X connection; nullptr where the program is not an X11 client.
xcb_connection_t* X11Connection();
// The atom of the name; 0 when there is none (and `onlyIfExists`) or the server did not answer.
uint32_t X11Atom(xcb_connection_t* x, const QByteArray& name, bool onlyIfExists);
// An xcb reply, freed with it.
template <typename Reply>
using X11Reply = std::unique_ptr<Reply, void (*)(void*)>;

// The window manager's frame around the window (left + right, top + bottom), in device-independent
// pixels as exact as the device pixels the window manager states. Qt gives the frame in whole
// device-independent pixels, which at twice the density rounds an odd frame by a pixel.
std::optional<QSizeF> X11Frame(const QWidget& widget);

// Marks the window to be mapped in its normal state. Qt marks a window minimised by the program to be
// mapped minimised and never takes that back, so a window hidden and shown again would come back
// minimised under window managers that honour the mark.
void ClearX11IconicHint(const QWidget& widget);

// Whether the window manager holds the window iconic (its WM_STATE). Qt reports a window the program
// minimised as minimised by the system when a window manager that starts later adopts it, even one
// that takes it on as normal. Where the program is no X11 client, true: Qt's report is all there is.
bool X11WindowIconic(const QWidget& widget);

}  // namespace forms
