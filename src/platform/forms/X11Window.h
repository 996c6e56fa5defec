// What a window needs from the X server beyond what Qt offers, read and written on Qt's own connection.
// Elsewhere (Wayland, offscreen) these do nothing.
#pragma once

#include <QSizeF>
#include <cstdint>
#include <optional>

class QWidget;

namespace forms {

// The window manager's frame around the window (left + right, top + bottom), in device-independent
// pixels as exact as the device pixels the window manager states. Qt gives the frame in whole
// device-independent pixels, which at twice the density rounds an odd frame by a pixel.
std::optional<QSizeF> X11Frame(const QWidget& widget);

// Marks the window to be mapped in its normal state. Qt marks a window minimised by the program to be
// mapped minimised and never takes that back, so a window hidden and shown again would come back
// minimised under window managers that honour the mark.
void ClearX11IconicHint(const QWidget& widget);

// Follows the window manager's word on a window (its WM_STATE) through the events Qt passes to the
// window, to tell when the window manager restores a window it held iconic: the user raised it (from a
// task bar, a pager). Qt's own reports cannot tell: it reports a window the program minimised as
// minimised by the system when a window manager that starts later adopts it, even as normal, and not
// at all when the window was mapped iconic.
class X11IconicWatch {
  public:
    // Whether `message`, an xcb event passed to the window, takes it from iconic to normal.
    bool Restores(const QWidget& widget, const void* message);

  private:
    uint32_t wmState_ = 0;  // the atom, once known
    bool iconic_ = false;
};

}  // namespace forms
