#include "tray/modSysTray.h"

#include <algorithm>
#include <cstring>

#include "platform/forms/Handles.h"

namespace modSysTray {

namespace {

constexpr size_t kTipField = sizeof(NOTIFYICONDATA::szTip);
constexpr int32_t kIconId = 1;
constexpr int32_t kFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

void FillTip(char (&field)[kTipField], const std::string& tip) {
    size_t length = tip.size();
    if (length >= kTipField) {
        length = kTipField - 1;
        // Back up to the first byte of a character that would be cut.
        while (length > 0 && IsUtf8Continuation(tip[length])) --length;
    }
    std::memset(field, ' ', kTipField);
    std::memcpy(field, tip.data(), length);
    field[length] = '\0';
}

// Mouse events of the area's icons go to the picture holder that owns them.
void DeliverToOwner(int32_t owner, uint32_t id, int32_t message) {
    (void)id;
    auto* holder = qobject_cast<forms::PictureBox*>(forms::WidgetFromHandle(owner));
    if (holder == nullptr || !holder->MouseMove) return;
    const auto deliver = holder->MouseMove;  // the handler may replace itself while it runs
    deliver(0, 0, MouseMoveX(message), 0);
}

}  // namespace

NOTIFYICONDATA MakeNotifyIconData(int32_t& hWnd, int32_t& id, int32_t& flags, int32_t callbackMessage,
                                  int32_t& hIcon, const std::string& tip) {
    NOTIFYICONDATA record{};
    record.cbSize = static_cast<int32_t>(sizeof(NOTIFYICONDATA));
    record.hWnd = hWnd;
    record.uID = id;
    record.uFlags = flags;
    record.uCallbackMessage = callbackMessage;
    record.hIcon = hIcon;
    FillTip(record.szTip, tip);
    return record;
}

bool AddTrayIcon(platform::NotificationArea& area, forms::PictureBox& holder, const std::string& tip,
                 NOTIFYICONDATA& nid) {
    nid.cbSize = static_cast<int32_t>(sizeof(NOTIFYICONDATA));
    nid.hWnd = holder.hWnd();
    nid.uID = kIconId;
    nid.uFlags = kFlags;
    nid.uCallbackMessage = WM_MOUSEMOVE;
    nid.hIcon = holder.Picture();
    FillTip(nid.szTip, tip);
    return Shell_NotifyIconA(area, NIM_ADD, nid);
}

void ModifyTrayIcon(platform::NotificationArea& area, int32_t hWnd, int32_t hIcon, const std::string& tip,
                    NOTIFYICONDATA& nid) {
    int32_t id = kIconId;
    int32_t flags = kFlags;
    nid = MakeNotifyIconData(hWnd, id, flags, WM_MOUSEMOVE, hIcon, tip);
    Shell_NotifyIconA(area, NIM_MODIFY, nid);
}

void DeleteTrayIcon(platform::NotificationArea& area, forms::PictureBox& holder, NOTIFYICONDATA& nid) {
    int32_t hWnd = holder.hWnd();
    int32_t id = kIconId;
    int32_t flags = kFlags;
    int32_t hIcon = 1;
    nid = MakeNotifyIconData(hWnd, id, flags, WM_MOUSEMOVE, hIcon, "");
    Shell_NotifyIconA(area, NIM_DELETE, nid);
}

std::string TipText(const NOTIFYICONDATA& record) {
    return std::string(record.szTip, std::find(record.szTip, record.szTip + kTipField, '\0'));
}

bool Shell_NotifyIconA(platform::NotificationArea& area, int32_t message, const NOTIFYICONDATA& record) {
    const std::string tip = TipText(record);
    const auto id = static_cast<uint32_t>(record.uID);
    switch (message) {
        case NIM_ADD:
            area.SetEventHandler(DeliverToOwner);
            return area.Add(record.hWnd, id, record.hIcon, tip);
        case NIM_MODIFY:
            return area.Modify(record.hWnd, id, record.hIcon, tip);
        case NIM_DELETE:
            return area.Delete(record.hWnd, id);
        default:
            return false;
    }
}

}  // namespace modSysTray
