#include "platform/forms/Handles.h"

#include <QPointer>
#include <QWidget>
#include <map>
#include <vector>

namespace forms {

namespace {

// Window handles start high so that they are never taken for an icon handle or a small number.
constexpr int32_t kFirstWindowHandle = 0x10000;
constexpr int32_t kFirstIconHandle = 0x100;

// The process's handle space, as a window system keeps one: handles name their widget or icon for the
// life of the process, whichever window or record carries them.
struct WindowTable {
    std::map<const QWidget*, int32_t> byWidget;
    std::map<int32_t, QPointer<QWidget>> byHandle;
    int32_t next = kFirstWindowHandle;
};
WindowTable gWindows;
std::vector<QIcon> gIcons;

WindowTable& Windows() {
    return gWindows;
}

std::vector<QIcon>& Icons() {
    return gIcons;
}

}  // namespace

int32_t WindowHandle(QWidget* widget) {
    if (widget == nullptr) return 0;
    WindowTable& t = Windows();
    const auto it = t.byWidget.find(widget);
    if (it != t.byWidget.end() && t.byHandle[it->second] == widget) return it->second;
    const int32_t handle = t.next++;
    t.byWidget[widget] = handle;
    t.byHandle[handle] = widget;
    return handle;
}

QWidget* WidgetFromHandle(int32_t handle) {
    const WindowTable& t = Windows();
    const auto it = t.byHandle.find(handle);
    return it == t.byHandle.end() ? nullptr : it->second.data();
}

int32_t RegisterIcon(const QIcon& icon) {
    Icons().push_back(icon);
    return kFirstIconHandle + static_cast<int32_t>(Icons().size()) - 1;
}

QIcon IconFromHandle(int32_t handle) {
    const int64_t index = static_cast<int64_t>(handle) - kFirstIconHandle;
    if (index < 0 || index >= static_cast<int64_t>(Icons().size())) return {};
    return Icons()[static_cast<size_t>(index)];
}

}  // namespace forms
