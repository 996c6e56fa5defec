// The desktop's message boxes, popup menus and help viewer, and the end of the process.
#pragma once

#include <QByteArray>

#include "platform/Services.h"
#include "platform/forms/Services.h"

namespace platform {

class QtDialogs final : public forms::Dialogs {
  public:
    void MsgBox(const QString& text, int16_t style, const QString& title) override;
    void PopupMenu(QMenu& menu) override;
    QString SaveFileName(QWidget* parent, const QString& title, const QString& suggested) override;
};

// Help pages are HTML, shown by the desktop's browser at the section named after the context.
class DesktopHelpViewer final : public forms::HelpViewer {
  public:
    bool ShowHelp(const QString& file, int32_t context) override;
};

// Ends the process with status 0: the unload sequence has saved what matters.
class ExitProgramEnd final : public ProgramEnd {
  public:
    void EndProgram() override;
};

// The folder and file name of the running executable.
ProgramLocation RunningProgramLocation();

// The platform plugins to ask for, before the application object is made: in a Wayland session the
// native Wayland client, and an X11 client (XWayland) where qt6-wayland is not installed. Empty where
// the user chose with QT_QPA_PLATFORM, or the session is not Wayland.
QByteArray DisplayServerChoice();

}  // namespace platform
