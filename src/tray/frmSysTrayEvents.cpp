// What the tray icon's mouse events and menus do to the main window.
#include "platform/NotificationArea.h"
#include "tray/frmSysTray.h"
#include "tray/modSysTray.h"

void frmSysTray::AttachMainWindow(tray::TrayOwner& window) {
    main_ = &window;
    Picture4().MouseMove = [this](int16_t button, int16_t shift, float x, float y) {
        Picture4_MouseMove(button, shift, x, y);
    };
    area_.SetArrivalHandler([this] {
        if (main_ != nullptr) main_->TrayArrived();
    });
    menuHost_.SetTrayMenu(&mnuRight());
    // Connected once: the actions call through main_, which may change.
    if (connected_) return;
    connected_ = true;
    QObject::connect(&mnuRightTest(), &QAction::triggered, this, [this] { mnuRightTest_Click(); });
    QObject::connect(&mnuRightHistory(), &QAction::triggered, this, [this] { mnuRightHistory_Click(); });
    QObject::connect(&mnuRightNotify(), &QAction::triggered, this, [this] { mnuRightNotify_Click(); });
    QObject::connect(&mnuRightExit(), &QAction::triggered, this, [this] { mnuRightExit_Click(); });
    QObject::connect(&mnuLeftShow(), &QAction::triggered, this, [this] { mnuLeftShow_Click(); });
}

void frmSysTray::Picture4_MouseMove(int16_t /*button*/, int16_t /*shift*/, float x, float /*y*/) {
    using modSysTray::MouseMoveX;
    if (main_ == nullptr) return;
    if (x == MouseMoveX(platform::kWmLButtonDown)) {
        main_->RestoreFromTray();
    } else if (x == MouseMoveX(platform::kWmLButtonDblClk)) {
        mnuLeftShow_Click();
    } else if (x == MouseMoveX(platform::kWmRButtonDown) || x == MouseMoveX(platform::kWmRButtonDblClk)) {
        dialogs_.PopupMenu(mnuRight());
    }
}

void frmSysTray::mnuLeftShow_Click() {
    if (main_ == nullptr) return;
    main_->SetVisible(!main_->Visible());
    mnuLeftShow().setChecked(main_->Visible());
}

void frmSysTray::mnuRightTest_Click() {
    if (main_ == nullptr) return;
    ModifyTrayIcon(Picture4().Picture(), "testing..");
    main_->StartFromTray();
}

void frmSysTray::mnuRightHistory_Click() {
    if (main_ != nullptr) main_->HistoryFromTray();
}

void frmSysTray::mnuRightNotify_Click() {
    if (main_ != nullptr) main_->NotifyFromTray(mnuRightNotify().isChecked());
}

void frmSysTray::mnuRightExit_Click() {
    if (main_ == nullptr) return;
    main_->ExitFromTray();
}
