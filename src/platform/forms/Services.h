// Message boxes, popup menus and the help viewer as interfaces (so tests answer them without blocking),
// event dispatch and the application object.
#pragma once

#include <QString>
#include <cstdint>

class QMenu;

namespace forms {

// Message box styles.
constexpr int16_t kMsgOkOnly = 0;        // an OK button, no icon
constexpr int16_t kMsgInformation = 64;  // an OK button and the information icon

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // A modal message box; returns once it is closed.
    virtual void MsgBox(const QString& text, int16_t style, const QString& title) = 0;
    // The menu, modal, at the mouse position; a chosen item's handler runs before this returns.
    virtual void PopupMenu(QMenu& menu) = 0;
};

// The help viewer: opens a help file at the section of a help context. False when it could not.
class HelpViewer {
  public:
    virtual ~HelpViewer() = default;
    virtual bool ShowHelp(const QString& file, int32_t context) = 0;
};

// Handles every pending event and frees the objects released at this level, then returns.
void DoEvents();

// The application object.
namespace App {
QString Title();  // "TarnovelMon"
// Whether the compositor places the windows and keeps their state to itself (Wayland): a window can
// neither be moved nor its position or minimised state be read.
bool CompositorPlacesWindows();
}  // namespace App

}  // namespace forms
