// Message boxes, popup menus, the help viewer and the tray menu's host as interfaces (so tests answer them
// without blocking), event dispatch and the application object.
#pragma once

#include <QString>
#include <cstdint>

class QMenu;
class QWidget;

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
    // The file chooser, modal, for a file to write; empty when cancelled.
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& suggested) = 0;
};

// The help viewer: opens a help file at the section of a help context. False when it could not.
class HelpViewer {
  public:
    virtual ~HelpViewer() = default;
    virtual bool ShowHelp(const QString& file, int32_t context) = 0;
};

// Where the tray icon's menu goes for the notification-area hosts that draw it themselves
// (StatusNotifierItem hosts read it over DBusMenu); its actions run their handlers as when the program
// pops it up. Hosts that leave the menu to the program (an XEmbed tray's right press, a ContextMenu
// request) still send the right-button event, and the program pops the menu up.
class TrayMenuHost {
  public:
    virtual ~TrayMenuHost() = default;
    virtual void SetTrayMenu(QMenu* menu) = 0;
};

// The services of the program's windows, beside the operating system's (platform::Services).
struct WindowServices {
    Dialogs& dialogs;
    HelpViewer& help;
    TrayMenuHost& trayMenu;
};

// Handles every pending event and frees the objects released at this level, then returns.
void DoEvents();

// The application object.
namespace App {
QString Title();  // "TarnovelMon"
}  // namespace App

}  // namespace forms
