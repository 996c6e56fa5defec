// The hidden window behind the tray icon: it holds the four state pictures (its picture holders own the
// icon and receive its mouse events) and the two menus the icon pops up. It is never shown.
#pragma once

#include <QAction>
#include <QMenu>
#include <array>
#include <utility>

#include "common/StateIcon.h"
#include "platform/NotificationArea.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Services.h"
#include "tray/TrayOwner.h"
#include "tray/modSysTray.h"

class frmSysTray : public forms::Form {
    Q_OBJECT
  public:
    frmSysTray(platform::NotificationArea& area, const forms::WindowServices& windows);

    // Each reference loads the window (hidden) when it is not loaded.
    forms::PictureBox& Picture(common::StateIcon state);
    forms::PictureBox& Picture1() { return Picture(common::StateIcon::kGreen); }
    forms::PictureBox& Picture2() { return Picture(common::StateIcon::kYellow); }
    forms::PictureBox& Picture3() { return Picture(common::StateIcon::kRed); }
    forms::PictureBox& Picture4() { return Picture(common::StateIcon::kGrey); }

    QMenu& mnuRight();
    QAction& mnuRightTest();
    QAction& mnuRightHistory();
    // A check item: whether a lost and a restored connection are told by the desktop's notifications.
    QAction& mnuRightNotify();
    QAction& mnuRightExit();
    QMenu& mnuLeft();
    QAction& mnuLeftShow();
    QAction& mnuLeftExit();

    // The window the icon's actions work on; attaching connects the icon's events and menus.
    void AttachMainWindow(tray::TrayOwner& window);

    // The program's icon in the notification area, with the record last sent for it.
    bool TrayAvailable() { return area_.Available(); }
    bool TrayKnown() { return area_.Known(); }
    bool AddTrayIcon(const std::string& tip) { return modSysTray::AddTrayIcon(area_, Picture4(), tip, nid); }
    void ModifyTrayIcon(int32_t hIcon, const std::string& tip) {
        modSysTray::ModifyTrayIcon(area_, Picture4().hWnd(), hIcon, tip, nid);
    }
    void DeleteTrayIcon() { modSysTray::DeleteTrayIcon(area_, Picture4(), nid); }
    modSysTray::NOTIFYICONDATA nid{};

    // The icon's mouse events, as a mouse move on Picture4 whose X is the event's message number
    // times 15.
    void Picture4_MouseMove(int16_t button, int16_t shift, float x, float y);
    void mnuLeftShow_Click();
    void mnuRightTest_Click();
    void mnuRightHistory_Click();
    void mnuRightNotify_Click();
    void mnuRightExit_Click();

  protected:
    void BuildControls() override;

  private:
    platform::NotificationArea& area_;
    forms::Dialogs& dialogs_;
    forms::TrayMenuHost& menuHost_;
    tray::TrayOwner* main_ = nullptr;
    bool connected_ = false;
    std::array<std::pair<common::StateIcon, forms::PictureBox*>, 4> pictures_{};
    QMenu* mnuRight_ = nullptr;
    QAction* mnuRightTest_ = nullptr;
    QAction* mnuRightHistory_ = nullptr;
    QAction* mnuRightNotify_ = nullptr;
    QAction* mnuRightExit_ = nullptr;
    QMenu* mnuLeft_ = nullptr;
    QAction* mnuLeftShow_ = nullptr;
    QAction* mnuLeftExit_ = nullptr;
};
