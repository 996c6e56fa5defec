// Message boxes, popup menus, event dispatch, ending the program, the application object and the
// clock. Message boxes and menus go through an interface, so tests answer them without blocking.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

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

// The viewer in use: the desktop's default for HTML unless a test put another in its place.
HelpViewer& CurrentHelpViewer();
void SetHelpViewer(HelpViewer* viewer);

// The dialogs in use: Qt's unless a test put others in their place (nullptr restores Qt's).
Dialogs& CurrentDialogs();
void SetDialogs(Dialogs* dialogs);

void MsgBox(const QString& text, int16_t style, const QString& title);

// Handles every pending event, then returns.
void DoEvents();

// Ends the process at once. Where a test has put a hook in its place, runs the hook and returns
// instead; callers return straight after it.
void EndProgram();
void SetEndProgramHook(std::function<void()> hook);

// The application object.
namespace App {
QString Title();    // "TarnovelMon"
QString Path();     // the folder of the executable, without a trailing separator
QString EXEName();  // the executable's file name without extension
QString HelpFile();
void SetHelpFile(const QString& path);
}  // namespace App

// The local clock now, "hh:mm:ss".
QString TimeText();

}  // namespace forms
