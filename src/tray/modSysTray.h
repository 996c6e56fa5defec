// The program's notification-area icon, kept as one fixed-layout record: filled in, then handed over
// whole with an add, modify or delete command. Mouse events on the icon are delivered to the owning
// picture holder's MouseMove, with the event's window message number times 15 as x.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/Twips.h"
#include "platform/NotificationArea.h"
#include "platform/forms/Forms.h"

namespace modSysTray {

// Commands.
constexpr int32_t NIM_ADD = 0;
constexpr int32_t NIM_MODIFY = 1;
constexpr int32_t NIM_DELETE = 2;
// Which fields of the record are in use.
constexpr int32_t NIF_MESSAGE = 1;
constexpr int32_t NIF_ICON = 2;
constexpr int32_t NIF_TIP = 4;
// The message the icon's mouse events are announced with.
constexpr int32_t WM_MOUSEMOVE = platform::kWmMouseMove;

// The mouse-move X (twips) that carries an event of the icon: its message number as pixels. The event's
// kind decides, whatever the screen's density.
constexpr float MouseMoveX(int32_t message) {
    return static_cast<float>(message * common::kTwipsPerPixel);
}

struct NOTIFYICONDATA {
    int32_t cbSize;
    int32_t hWnd;
    int32_t uID;
    int32_t uFlags;
    int32_t uCallbackMessage;
    int32_t hIcon;
    char szTip[64];  // the text, one NUL, then spaces to the end
};
static_assert(sizeof(NOTIFYICONDATA) == 88);
static_assert(offsetof(NOTIFYICONDATA, cbSize) == 0);
static_assert(offsetof(NOTIFYICONDATA, hWnd) == 4);
static_assert(offsetof(NOTIFYICONDATA, uID) == 8);
static_assert(offsetof(NOTIFYICONDATA, uFlags) == 12);
static_assert(offsetof(NOTIFYICONDATA, uCallbackMessage) == 16);
static_assert(offsetof(NOTIFYICONDATA, hIcon) == 20);
static_assert(offsetof(NOTIFYICONDATA, szTip) == 24);

// A record with the values and the tip. A tip of 64 bytes or more keeps its first 63 bytes, fewer where
// that would split a UTF-8 character.
NOTIFYICONDATA MakeNotifyIconData(int32_t& hWnd, int32_t& id, int32_t& flags, int32_t callbackMessage,
                                  int32_t& hIcon, const std::string& tip);

// Adds the icon: the holder's window owns it and its picture is shown. True when the area took it.
bool AddTrayIcon(platform::NotificationArea& area, forms::PictureBox& holder, const std::string& tip,
                 NOTIFYICONDATA& nid);
// Replaces picture and tip of the icon the window owns.
void ModifyTrayIcon(platform::NotificationArea& area, int32_t hWnd, int32_t hIcon, const std::string& tip,
                    NOTIFYICONDATA& nid);
// Removes the icon the holder's window owns; nothing happens when there is none.
void DeleteTrayIcon(platform::NotificationArea& area, forms::PictureBox& holder, NOTIFYICONDATA& nid);

// Hands the record to the notification area with the command; its answer.
bool Shell_NotifyIconA(platform::NotificationArea& area, int32_t message, const NOTIFYICONDATA& record);

// The tip a record carries: its field up to the first NUL (the whole field when there is none).
std::string TipText(const NOTIFYICONDATA& record);

}  // namespace modSysTray
