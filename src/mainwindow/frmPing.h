// The main window: a traffic light with its counters, a strip of text links, the two sites, the loop
// settings, the results of the last round and the grade levels.
#pragma once

#include <QPointer>

#include <QString>
#include <array>
#include <cstdint>
#include "history/Recorder.h"

#include "mainwindow/frmPingView.h"
#include "monitor/Monitor.h"
#include "platform/Services.h"
#include "platform/forms/Forms.h"
#include "startup/LogonStart.h"
#include "tray/TrayOwner.h"
#include "tray/frmSysTray.h"

namespace historywindow {
class HistoryWindow;
}
namespace notify {
class Notifier;
}

// Where the window's rounds go: the history, the notifications, and both as one sink.
struct RoundTakers {
    history::Recorder& recorder;
    notify::Notifier& notifier;
    common::RoundSink& all;
};

class frmPing : public forms::Form, public tray::TrayOwner {
    Q_OBJECT
  public:
    frmPing(const platform::Services& services, const forms::WindowServices& windows, modPing::Engine& probe,
            frmSysTray& tray, modPingAuto::LogonStart& logon, RoundTakers rounds);
    // The History window, a window of its own, goes with this one.
    ~frmPing() override;

    // Outer sizes in twips: with the options shown (the design size) and without.
    static constexpr float kWidthWithOptions = 8010;
    static constexpr float kHeightWithOptions = 5640;
    static constexpr float kWidthCompact = 2175;
    static constexpr float kHeightCompact = 2835;
    static constexpr int32_t kHelpContext = 500;

    // Controls. Naming one loads the window, hidden, when it is not loaded yet.
    forms::Frame* frmControl() { return Ref(frmControl_); }
    forms::Frame* frmResults() { return Ref(frmResults_); }
    forms::Frame* frmLoop() { return Ref(frmLoop_); }
    forms::Frame* frmLevels() { return Ref(frmLevels_); }
    forms::Frame* frmSite() { return Ref(frmSite_); }
    forms::Frame* frameLight() { return Ref(frameLight_); }
    forms::PictureBox* Picture1() { return Ref(Picture1_); }

    forms::Shape* LampShape(monitor::Lamp lamp);
    forms::Shape* shpGd() { return LampShape(monitor::Lamp::kGreen); }
    forms::Shape* shpYel() { return LampShape(monitor::Lamp::kYellow); }
    forms::Shape* shpBd() { return LampShape(monitor::Lamp::kRed); }
    forms::Label* lblGd() { return Ref(lblGd_); }
    forms::Label* lblYel() { return Ref(lblYel_); }
    forms::Label* lblBd() { return Ref(lblBd_); }
    forms::Label* lbllastGd() { return Ref(lbllastGd_); }
    forms::Label* lbllastYel() { return Ref(lbllastYel_); }
    forms::Label* lbllastBd() { return Ref(lbllastBd_); }

    forms::Label* lblTest() { return Ref(lblTest_); }
    forms::Label* lblOptions() { return Ref(lblOptions_); }
    forms::Label* lblHelp() { return Ref(lblHelp_); }
    forms::Label* lblExit() { return Ref(lblExit_); }

    forms::CheckBox* chkAutoStartUp() { return Ref(chkAutoStartUp_); }
    forms::CommandButton* cmdHide() { return Ref(cmdHide_); }
    forms::CommandButton* cmdTest() { return Ref(cmdTest_); }
    forms::CommandButton* cmdHelp() { return Ref(cmdHelp_); }
    forms::CommandButton* cmdExit() { return Ref(cmdExit_); }

    forms::Label* lblName() { return Ref(lblName_); }
    forms::Label* Label1() { return Ref(Label1_); }
    forms::OptionButton* optIP(int16_t i) { return Ref(optIP_.at(Index(i))); }
    forms::TextBox* txtIP(int16_t i) { return Ref(txtIP_.at(Index(i))); }
    forms::Label* lblAddress(int16_t i) { return Ref(lblAddress_.at(Index(i))); }
    forms::CommandButton* cmdTestAddr(int16_t i) { return Ref(cmdTestAddr_.at(Index(i))); }

    forms::Label* Label5() { return Ref(Label5_); }
    forms::Label* lblCntID() { return Ref(lblCntID_); }
    forms::CommandButton* cmdStart() { return Ref(cmdStart_); }
    forms::TextBox* txtLoop() { return Ref(txtLoop_); }
    forms::Label* lblCnt() { return Ref(lblCnt_); }
    forms::CommandButton* cmdStop() { return Ref(cmdStop_); }
    forms::Label* Label2() { return Ref(Label2_); }
    forms::TextBox* txtTimeToLive() { return Ref(txtTimeToLive_); }
    forms::Label* Label3() { return Ref(Label3_); }
    forms::TextBox* txtTimeOut() { return Ref(txtTimeOut_); }

    forms::Label* lblStatus() { return Ref(lblStatus_); }
    forms::Label* lblError() { return Ref(lblError_); }
    forms::Label* lblTT() { return Ref(lblTT_); }
    forms::Label* lblTripTime() { return Ref(lblTripTime_); }

    forms::Label* Label7() { return Ref(Label7_); }
    forms::Label* lbllvl(int16_t i) { return Ref(lbllvl_.at(Index(i))); }
    forms::TextBox* txtlvl(int16_t i) { return Ref(txtlvl_.at(Index(i))); }
    forms::Label* lblQual(int16_t i) { return Ref(lblQual_.at(Index(i))); }

    // State shared with the tray window and the program's start.
    bool bRestorefromSystray = false;
    bool bExitfromSystray = false;
    bool bLoading = false;
    // Logon start is registered: a close request then hides the window instead of ending.
    bool bAutoStart = false;
    // The help page the Help commands open: beside the executable, else where the package installs it.
    QString helpFile;

    // Monitoring, and its flags, light values and selected site.
    monitor::Monitor& Monitor() { return monitor_; }
    void cmdStart_Click() { monitor_.cmdStart_Click(); }
    void cmdStop_Click() { monitor_.cmdStop_Click(); }
    void cmdTest_Click() { monitor_.cmdTest_Click(); }

    // Settings: read into the controls at load, written from them at unload.
    void LoadSettings();
    // False when nothing was written: the settings were never read, or the store could not be written.
    bool SaveSettings();

    // Commands of the window's buttons, links, option buttons and check box.
    void cmdExit_Click();
    void lblExit_Click() { cmdExit_Click(); }
    void cmdHelp_Click();
    void lblHelp_Click() { cmdHelp_Click(); }
    void lblTest_Click() { cmdTest_Click(); }
    void lblOptions_Click();
    void cmdHide_Click();
    void cmdTestAddr_Click(int16_t index);
    void optIP_Click(int16_t index);
    void chkAutoStartUp_Click();
    // Sets the window to its size with the options shown (8010 x 5640) or without (2175 x 2835).
    void ShowOptions(const bool& show);

    // Hides the window where a notification area holds its icon; minimises it where none does, so
    // that it can always be brought back. True when hidden.
    bool HideToTray();

    // The check of the entry fields before a start; shows the first failure.
    bool ValidateFields();
    // Start enabled and Stop disabled, or the other way round.
    void EnableStart(bool enabled);

    // The window as the tray icon's actions see it.
    void RestoreFromTray() override;
    bool Visible() const override { return Form::Visible(); }
    void SetVisible(bool visible) override { Form::SetVisible(visible); }
    void StartFromTray() override { cmdStart_Click(); }
    void ExitFromTray() override { cmdExit_Click(); }
    void HistoryFromTray() override { ShowHistory(); }
    void NotifyFromTray(bool on) override;
    // The History window (Ctrl+H, the tray's History item): made when asked for, freed when closed.
    void ShowHistory();
    // The icon goes to a tray that came late; a window minimised for want of one is hidden there.
    void TrayArrived() override;

  protected:
    void BuildControls() override;
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Raised() override { minimisedForTray_ = false; }
    void Form_QueryUnload(int16_t& cancel, int16_t unloadMode) override;
    void Form_Unload(int16_t& cancel) override;

  private:
    friend class frmPingView;
    void BuildLight();
    void BuildControlFrame();
    void BuildSites();
    void BuildLoop();
    void BuildResults();
    void BuildLevels();
    void SetFocusOrder();
    void NameControls();
    void ConnectHandlers();
    // What a lamp of that fill tells a screen reader: lit or not, and for green, which level's shade.
    QString LampDescription(monitor::Lamp lamp, common::ColourValue fill);
    forms::TextBox* Box(monitor::Field field);
    // The label's control; the slot is where the window keeps it.
    forms::Label* LabelOf(monitor::Label label) { return Ref(LabelSlot(label)); }
    forms::Label*& LabelSlot(monitor::Label label);

    platform::SettingsStore& settings_;
    forms::Dialogs& dialogs_;
    forms::HelpViewer& help_;
    platform::ProgramEnd& end_;
    modPing::Engine& probe_;
    frmSysTray& tray_;
    modPingAuto::LogonStart& logon_;
    const bool compositorPlacesWindows_;
    frmPingView view_{*this};
    monitor::Monitor monitor_;
    history::Recorder& recorder_;
    notify::Notifier& notifier_;
    platform::HistoryFile& historyFile_;
    platform::TickClock& clock_;
    QPointer<historywindow::HistoryWindow> history_;

    // A placement wholly off every screen is moved onto the primary screen.
    void KeepOnScreen();
    bool settingsLoaded_ = false;
    // The options toggle of the Options link: false when the window is made, whatever its size.
    bool optionsToggle_ = false;
    // Whether the notification area took the tray icon.
    bool trayIconShown_ = false;
    // The window was minimised because no notification area could hold its icon, and the user has not
    // brought it back since (a press on the icon, a second start, raising it from a task bar).
    bool minimisedForTray_ = false;
    // Hiding to the tray was asked for before the desktop's first word on a notification area came: the
    // window waits as it is (hidden at a logon start) for that word, then hides or is minimised.
    bool hidePending_ = false;
    // Adds the icon to a notification area that has come since the window loaded, showing what it
    // would show had it been there all along.
    void AddIconToLateTray();
    // The start failed and the window is being closed for good.
    void EndAfterStartFailure(const char* text, const char* title);

    template <typename T>
    T* Ref(T* const& control) {
        Load();
        return control;  // read after the load has made it
    }
    static size_t Index(int16_t i) { return static_cast<size_t>(static_cast<uint16_t>(i)); }

    forms::Frame* frmControl_ = nullptr;
    forms::Frame* frmResults_ = nullptr;
    forms::Frame* frmLoop_ = nullptr;
    forms::Frame* frmLevels_ = nullptr;
    forms::Frame* frmSite_ = nullptr;
    forms::Frame* frameLight_ = nullptr;
    forms::PictureBox* Picture1_ = nullptr;

    std::array<std::pair<monitor::Lamp, forms::Shape*>, monitor::kLamps.size()> lamps_{};
    forms::Label* lblGd_ = nullptr;
    forms::Label* lblYel_ = nullptr;
    forms::Label* lblBd_ = nullptr;
    forms::Label* lbllastGd_ = nullptr;
    forms::Label* lbllastYel_ = nullptr;
    forms::Label* lbllastBd_ = nullptr;

    forms::Label* lblTest_ = nullptr;
    forms::Label* lblOptions_ = nullptr;
    forms::Label* lblHelp_ = nullptr;
    forms::Label* lblExit_ = nullptr;

    forms::CheckBox* chkAutoStartUp_ = nullptr;
    forms::CommandButton* cmdHide_ = nullptr;
    forms::CommandButton* cmdTest_ = nullptr;
    forms::CommandButton* cmdHelp_ = nullptr;
    forms::CommandButton* cmdExit_ = nullptr;

    forms::Label* lblName_ = nullptr;
    forms::Label* Label1_ = nullptr;
    std::array<forms::OptionButton*, 2> optIP_{};
    std::array<forms::TextBox*, 2> txtIP_{};
    std::array<forms::Label*, 2> lblAddress_{};
    std::array<forms::CommandButton*, 2> cmdTestAddr_{};

    forms::Label* Label5_ = nullptr;
    forms::Label* lblCntID_ = nullptr;
    forms::CommandButton* cmdStart_ = nullptr;
    forms::TextBox* txtLoop_ = nullptr;
    forms::Label* lblCnt_ = nullptr;
    forms::CommandButton* cmdStop_ = nullptr;
    forms::Label* Label2_ = nullptr;
    forms::TextBox* txtTimeToLive_ = nullptr;
    forms::Label* Label3_ = nullptr;
    forms::TextBox* txtTimeOut_ = nullptr;

    forms::Label* lblStatus_ = nullptr;
    forms::Label* lblError_ = nullptr;
    forms::Label* lblTT_ = nullptr;
    forms::Label* lblTripTime_ = nullptr;

    forms::Label* Label7_ = nullptr;
    std::array<forms::Label*, 5> lbllvl_{};
    std::array<forms::TextBox*, 5> txtlvl_{};
    std::array<forms::Label*, 4> lblQual_{};
};
