// The main window's life (load, activation, close request, unload) and the handlers of its controls.
#include <QFileInfo>

#include "mainwindow/frmPing.h"
#include "mainwindow/modPingAuto.h"
#include "platform/NotificationAreaService.h"
#include "platform/forms/Services.h"
#include "probe/modPing.h"
#include "startup/LogonStart.h"
#include "tray/frmSysTray.h"
#include "tray/modSysTray.h"

namespace {

std::string Title() {
    return forms::App::Title().toStdString();
}

}  // namespace

void frmPing::Form_Load() {
    bLoading = true;
    if (modPing::StartWinsock() != 0) {
        EndAfterStartFailure("Unable to initialize Winsock", "Winsock Error");
        return;
    }
    if (modPing::OpenIcmp() == 0) {
        EndAfterStartFailure("Unable to initialize ICMP", "ICMP Error");
        return;
    }
    lngGreen = 0x00FF00;
    lngRed = 0x0000FF;
    lngYellow = 0x00FFFF;
    for (forms::Label* label : {lblGd(), lbllastGd(), lblYel(), lbllastYel(), lblBd(), lbllastBd()}) {
        label->SetCaption(QString());
    }
    cmdStart()->setEnabled(true);
    cmdStop()->setEnabled(false);
    LoadSettings();
    iSite = 0;
    optIP(0)->SetValue(true);
    TheSysTray().AttachMainWindow(this);
    trayIconShown_ = modSysTray::AddTrayIcon(TheSysTray().Picture4(), "Ready", modSysTray::nid);
    modPingAuto::bAutoStart = modPingAuto::IsStartupSet(Title());
    if (modPingAuto::bAutoStart) chkAutoStartUp()->SetValue(1);
    bLoading = false;
}

void frmPing::EndAfterStartFailure(const char* text, const char* title) {
    forms::MsgBox(text, forms::kMsgOkOnly, title);
    // Closed for good, as by the Exit command. The settings were never read, so none are written.
    bExitfromSystray = true;
    bLoading = false;
    Unload(forms::kFormCode);
}

void frmPing::Form_Activate() {
    if (!bRestorefromSystray) return;
    SetVisible(true);
    bRestorefromSystray = false;
}

void frmPing::Form_QueryUnload(int16_t& cancel, int16_t unloadMode) {
    if (unloadMode >= forms::kAppWindows) {
        modPingAuto::bShutdown = true;
        bLoopRunning = false;
        return;
    }
    if (modPingAuto::bAutoStart && !bExitfromSystray) {
        HideToTray();
        cancel = 1;
    }
}

bool frmPing::HideToTray() {
    if (!trayIconShown_ && platform::CurrentNotificationArea().Available()) {
        // The notification area has come since the window loaded (a panel started after us): the icon
        // goes there now, showing what it would show had it been there all along.
        const modSysTray::NOTIFYICONDATA last = modSysTray::nid;
        trayIconShown_ = modSysTray::AddTrayIcon(TheSysTray().Picture4(), "Ready", modSysTray::nid);
        const bool stateShown =
            last.cbSize == 0 || (last.hIcon == modSysTray::nid.hIcon && modSysTray::TipText(last) == "Ready");
        if (trayIconShown_ && !stateShown) {
            modSysTray::ModifyTrayIcon(last.hWnd, last.hIcon, modSysTray::TipText(last), modSysTray::nid);
        }
    }
    if (trayIconShown_ && platform::CurrentNotificationArea().Available()) {
        SetVisible(false);
        return true;
    }
    // Without a notification area a hidden window could never be brought back.
    SetVisible(true);
    SetWindowState(forms::kMinimized);
    return false;
}

void frmPing::Form_Unload(int16_t& /*cancel*/) {
    SaveSettings();
    modSysTray::DeleteTrayIcon(TheSysTray().Picture4(), modSysTray::nid);
    trayIconShown_ = false;
    modPingAuto::bShutdown = true;
    bLoopRunning = false;
    modPing::CloseIcmp();
    forms::EndProgram();
}

void frmPing::cmdExit_Click() {
    bExitfromSystray = true;
    Unload(forms::kFormCode);
}

void frmPing::cmdHelp_Click() {
    const QString file = forms::App::HelpFile();
    if (!QFileInfo(file).isFile()) {
        forms::MsgBox("Cannot find the help file " + file, forms::kMsgOkOnly, forms::App::Title());
        return;
    }
    forms::CurrentHelpViewer().ShowHelp(file, HelpContextID());
}

void frmPing::lblOptions_Click() {
    optionsToggle_ = !optionsToggle_;
    ShowOptions(optionsToggle_);
}

void frmPing::cmdHide_Click() {
    ShowOptions(false);
}

void frmPing::ShowOptions(const bool& show) {
    // A minimised or maximised window cannot take a size: it is made normal first.
    if (WindowState() != forms::kNormal) SetWindowState(forms::kNormal);
    SetWidth(show ? kWidthWithOptions : kWidthCompact);
    SetHeight(show ? kHeightWithOptions : kHeightCompact);
}

void frmPing::cmdTestAddr_Click(int16_t index) {
    const int16_t selected = iSite;
    iSite = index;
    ShowSiteAddress();
    RunProbeRound();
    iSite = selected;
}

void frmPing::optIP_Click(int16_t index) {
    if (index == iSite) return;
    iSite = index;
    ShowSiteAddress();
}

void frmPing::chkAutoStartUp_Click() {
    if (bLoading) return;
    const bool wanted = chkAutoStartUp()->Value() == 1;
    modPingAuto::SaveStartupRegistrySetting(wanted, Title());
    modPingAuto::bAutoStart = wanted;
}

void frmPing::ConnectHandlers() {
    cmdStart_->Click = [this] { cmdStart_Click(); };
    cmdStop_->Click = [this] { cmdStop_Click(); };
    cmdTest_->Click = [this] { cmdTest_Click(); };
    cmdExit_->Click = [this] { cmdExit_Click(); };
    cmdHelp_->Click = [this] { cmdHelp_Click(); };
    cmdHide_->Click = [this] { cmdHide_Click(); };
    lblTest_->Click = [this] { lblTest_Click(); };
    lblExit_->Click = [this] { lblExit_Click(); };
    lblHelp_->Click = [this] { lblHelp_Click(); };
    lblOptions_->Click = [this] { lblOptions_Click(); };
    chkAutoStartUp_->Click = [this] { chkAutoStartUp_Click(); };
    auto fieldsChanged = [this] { bFieldsChanged = true; };
    auto keyChanged = [this](int16_t) { bFieldsChanged = true; };
    for (int16_t i = 0; i < 2; ++i) {
        txtIP_[i]->Change = fieldsChanged;
        txtIP_[i]->KeyPress = keyChanged;
        optIP_[i]->Click = [this, i] { optIP_Click(i); };
        cmdTestAddr_[i]->Click = [this, i] { cmdTestAddr_Click(i); };
    }
    txtLoop_->Change = fieldsChanged;
    txtTimeOut_->Change = fieldsChanged;
    txtTimeToLive_->Change = fieldsChanged;
    for (int16_t i = 0; i < 4; ++i) txtlvl_[i]->KeyPress = keyChanged;
    // Row D of the grade repeats the limit of row C.
    txtlvl_[2]->Change = [this] { txtlvl_[3]->setText(txtlvl_[2]->text()); };
}
