// The main window's load handling and the handlers of its controls.
#include "mainwindow/frmPing.h"
#include "tray/frmSysTray.h"
#include "tray/modSysTray.h"

void frmPing::Form_Load() {
    bLoading = true;
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
    modSysTray::AddTrayIcon(TheSysTray().Picture4(), "Ready", modSysTray::nid);
    bLoading = false;
}

void frmPing::ConnectHandlers() {
    cmdStart_->Click = [this] { cmdStart_Click(); };
    cmdStop_->Click = [this] { cmdStop_Click(); };
    cmdTest_->Click = [this] { cmdTest_Click(); };
    lblTest_->Click = [this] { cmdTest_Click(); };
    auto fieldsChanged = [this] { bFieldsChanged = true; };
    auto keyChanged = [this](int16_t) { bFieldsChanged = true; };
    for (int16_t i = 0; i < 2; ++i) {
        txtIP_[i]->Change = fieldsChanged;
        txtIP_[i]->KeyPress = keyChanged;
        optIP_[i]->Click = [this, i] {
            if (i == iSite) return;
            iSite = i;
            ShowSiteAddress();
        };
        cmdTestAddr_[i]->Click = [this, i] {
            // One round for that site, whatever the selection; the selection is restored after.
            const int16_t selected = iSite;
            iSite = i;
            ShowSiteAddress();
            RunProbeRound();
            iSite = selected;
        };
    }
    txtLoop_->Change = fieldsChanged;
    txtTimeOut_->Change = fieldsChanged;
    txtTimeToLive_->Change = fieldsChanged;
    for (int16_t i = 0; i < 4; ++i) txtlvl_[i]->KeyPress = keyChanged;
    txtlvl_[2]->Change = [this] { txtlvl_[3]->setText(txtlvl_[2]->text()); };
}
