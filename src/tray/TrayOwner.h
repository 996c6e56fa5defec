// The main window as the tray icon's actions see it.
#pragma once

namespace tray {

class TrayOwner {
  public:
    virtual ~TrayOwner() = default;
    // The left press: a hidden or minimised window is shown, normal and active.
    virtual void RestoreFromTray() = 0;
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool visible) = 0;
    // The Test menu: the start command.
    virtual void StartFromTray() = 0;
    // The History menu: the history window is shown.
    virtual void HistoryFromTray() = 0;
    // The Notify check item: notifications of a lost and a restored connection on or off.
    virtual void NotifyFromTray(bool on) = 0;
    // The Exit menu: the window is closed for good and the program ends.
    virtual void ExitFromTray() = 0;
    // A notification area has come (a panel started after the program, or restarted).
    virtual void TrayArrived() = 0;
};

}  // namespace tray
