// What the tray icon's mouse events and menus do to the main window.
#include "mainwindow/frmPing.h"
#include "platform/NotificationArea.h"
#include "platform/forms/Services.h"
#include "tray/frmSysTray.h"
#include "tray/modSysTray.h"

namespace {

// The mouse-move X (twips) that carries each event: its message number at 15 twips per pixel. The
// event's kind decides, whatever the screen's density.
constexpr float X(int32_t message) {
    return static_cast<float>(message) * 15.0f;
}

}  // namespace

void frmSysTray::AttachMainWindow(frmPing* window) {
    main_ = window;
    Picture4().MouseMove = [this](int16_t button, int16_t shift, float x, float y) {
        Picture4_MouseMove(button, shift, x, y);
    };
    // Connected once: the actions call through main_, which may change.
    static bool connected = false;
    if (connected) return;
    connected = true;
    QObject::connect(&mnuRightTest(), &QAction::triggered, this, [this] { mnuRightTest_Click(); });
    QObject::connect(&mnuRightExit(), &QAction::triggered, this, [this] { mnuRightExit_Click(); });
    QObject::connect(&mnuLeftShow(), &QAction::triggered, this, [this] { mnuLeftShow_Click(); });
}

void frmSysTray::Picture4_MouseMove(int16_t /*button*/, int16_t /*shift*/, float x, float /*y*/) {
    if (main_ == nullptr) return;
    if (x == X(platform::kWmLButtonDown)) {
        RestoreMainWindow();
    } else if (x == X(platform::kWmLButtonDblClk)) {
        mnuLeftShow_Click();
    } else if (x == X(platform::kWmRButtonDown) || x == X(platform::kWmRButtonDblClk)) {
        forms::CurrentDialogs().PopupMenu(mnuRight());
    }
}

void frmSysTray::RestoreMainWindow() {
    main_->bRestorefromSystray = true;
    if (main_->WindowState() == forms::kMinimized) main_->SetWindowState(forms::kNormal);
    main_->SetVisible(true);
    main_->ShowForm();
}

void frmSysTray::mnuLeftShow_Click() {
    if (main_ == nullptr) return;
    main_->SetVisible(!main_->Visible());
    mnuLeftShow().setChecked(main_->Visible());
}

void frmSysTray::mnuRightTest_Click() {
    if (main_ == nullptr) return;
    modSysTray::ModifyTrayIcon(Picture4().hWnd(), Picture4().Picture(), "testing..", modSysTray::nid);
    main_->cmdStart_Click();
}

void frmSysTray::mnuRightExit_Click() {
    if (main_ == nullptr) return;
    main_->bExitfromSystray = true;
    main_->Unload(forms::kFormCode);
}
