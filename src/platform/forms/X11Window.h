// What a window needs from the X server beyond what Qt offers, read and written on Qt's own connection.
// Elsewhere (Wayland, offscreen) these do nothing.
#pragma once

#include <QSizeF>
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

}  // namespace forms
