// The main window's life (load, activation, close request, unload) and the handlers of its controls.
#include <QFileInfo>
#include <QShortcut>

#include "mainwindow/frmPing.h"
#include "platform/forms/Services.h"

namespace {

std::string Title() {
    return forms::App::Title().toStdString();
}

}  // namespace

void frmPing::Form_Load() {
    bLoading = true;
    if (probe_.StartWinsock() != 0) {
        EndAfterStartFailure("Unable to initialize Winsock", "Winsock Error");
        return;
    }
    if (probe_.OpenIcmp() == 0) {
        qWarning("TarnovelMon: Unable to initialize ICMP: %s", probe_.OpenError().c_str());
        EndAfterStartFailure("Unable to initialize ICMP", "ICMP Error");
        return;
    }
    monitor_.Prepare();
    for (forms::Label* label : {lblGd(), lbllastGd(), lblYel(), lbllastYel(), lblBd(), lbllastBd()}) {
        label->SetCaption(QString());
    }
    EnableStart(true);
    LoadSettings();
    optIP(0)->SetValue(true);
    tray_.AttachMainWindow(*this);
    trayIconShown_ = tray_.AddTrayIcon("Ready");
    setAccessibleDescription(QStringLiteral("Ready"));
    bAutoStart = logon_.IsStartupSet(Title());
    if (bAutoStart) chkAutoStartUp()->SetValue(1);
    bLoading = false;
}

void frmPing::EndAfterStartFailure(const char* text, const char* title) {
    dialogs_.MsgBox(text, forms::kMsgOkOnly, title);
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
        monitor_.EndMonitoring();
        return;
    }
    if (bAutoStart && !bExitfromSystray) {
        HideToTray();
        cancel = 1;
    }
}

bool frmPing::HideToTray() {
    hidePending_ = !tray_.TrayKnown();
    if (hidePending_) return false;
    AddIconToLateTray();
    if (trayIconShown_ && tray_.TrayAvailable()) {
        Form::SetVisible(false);
        minimisedForTray_ = false;
        return true;
    }
    // Without a notification area a hidden window could never be brought back. Minimised before it is
    // shown, it is mapped minimised: a window manager drops a request to minimise a window it has not
    // taken on yet, as one made just after the map can be.
    SetWindowState(forms::kMinimized);
    Form::SetVisible(true);
    minimisedForTray_ = true;
    return false;
}

void frmPing::AddIconToLateTray() {
    if (trayIconShown_ || !tray_.TrayAvailable()) return;
    const modSysTray::NOTIFYICONDATA last = tray_.nid;
    trayIconShown_ = tray_.AddTrayIcon("Ready");
    const bool stateShown =
        last.cbSize == 0 || (last.hIcon == tray_.nid.hIcon && modSysTray::TipText(last) == "Ready");
    if (trayIconShown_ && !stateShown) tray_.ModifyTrayIcon(last.hIcon, modSysTray::TipText(last));
}

void frmPing::TrayArrived() {
    if (!IsLoaded() || bExitfromSystray) return;
    if (hidePending_) {
        HideToTray();
        return;
    }
    AddIconToLateTray();
    // Decided by what the user did, not by the state a window manager reports: one that comes after
    // the program takes the window on as normal although the program asked for it minimised.
    if (minimisedForTray_ && trayIconShown_) HideToTray();
}

void frmPing::Form_Unload(int16_t& /*cancel*/) {
    SaveSettings();
    tray_.DeleteTrayIcon();
    trayIconShown_ = false;
    monitor_.EndMonitoring();
    probe_.CloseIcmp();
    end_.EndProgram();
}

void frmPing::cmdExit_Click() {
    bExitfromSystray = true;
    Unload(forms::kFormCode);
}

void frmPing::cmdHelp_Click() {
    if (!QFileInfo(helpFile).isFile()) {
        dialogs_.MsgBox("Cannot find the help file " + helpFile, forms::kMsgOkOnly, forms::App::Title());
        return;
    }
    help_.ShowHelp(helpFile, HelpContextID());
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
    monitor_.ProbeSite(index);
}

void frmPing::optIP_Click(int16_t index) {
    monitor_.SelectSite(index);
}

void frmPing::chkAutoStartUp_Click() {
    if (bLoading) return;
    const bool wanted = chkAutoStartUp()->Value() == 1;
    const modPingAuto::StartupChange change = logon_.SaveStartupRegistrySetting(wanted, Title());
    if (!change.failure.empty())
        dialogs_.MsgBox(QString::fromStdString(change.failure), forms::kMsgOkOnly, forms::App::Title());
    bAutoStart = change.registered;
    // The box shows what is registered, also after a request that could not be carried out; set
    // without raising Click again.
    if (bAutoStart != wanted) chkAutoStartUp()->setCheckState(bAutoStart ? Qt::Checked : Qt::Unchecked);
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
    auto fieldsChanged = [this] { monitor_.FieldsChanged(); };
    auto keyChanged = [this](int16_t) { monitor_.FieldsChanged(); };
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
    // No key reaches the Options link: Alt+O does what its click does.
    auto* options = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_O), this);
    connect(options, &QShortcut::activated, this, [this] { lblOptions_Click(); });
    auto* history = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    connect(history, &QShortcut::activated, this, [this] { ShowHistory(); });
    // Row D of the grade repeats the limit of row C.
    txtlvl_[2]->Change = [this] { txtlvl_[3]->setText(txtlvl_[2]->text()); };
}
