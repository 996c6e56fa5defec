// Handles: non-zero 32-bit numbers that name windows and icons for the life of the process, as the
// program's records carry them.
#pragma once

#include <cstdint>

#include <QIcon>

class QWidget;

namespace forms {

// A handle for the widget, the same on every call for the same widget.
int32_t WindowHandle(QWidget* widget);
// The widget a handle names, nullptr when it is unknown or the widget is gone.
QWidget* WidgetFromHandle(int32_t handle);

// Keeps the icon for the life of the process and returns its handle.
int32_t RegisterIcon(const QIcon& icon);
// The icon a handle names; a null icon when the handle is unknown.
QIcon IconFromHandle(int32_t handle);

}  // namespace forms
