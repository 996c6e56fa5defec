// The program's start, the window's life and end, its commands and the tray icon's actions.
#include <QDir>
#include <QFile>
#include <QPointer>

#include "common/NumberText.h"

#include "mainwindow/ProgramFixture.h"

namespace {

TEST_F(ProgramTest, TheLoadSequenceAndTheWindowsCommands) {
    Start();
    EXPECT_TRUE(w().Visible());
    EXPECT_EQ(f.area.Tip(), "Ready");
    EXPECT_EQ(ShownIcon(), p->Tray().Picture4().Picture());
    EXPECT_TRUE(w().cmdStart()->isEnabled());
    EXPECT_FALSE(w().cmdStop()->isEnabled());
    EXPECT_TRUE(w().optIP(0)->Value());
    EXPECT_EQ(w().txtTimeOut()->Text(), "250");
    EXPECT_EQ(w().chkAutoStartUp()->Value(), 0);
    w().optIP(1)->SetValue(true);
    EXPECT_EQ(w().lblAddress(1)->Caption(), "198.51.100.2");
    w().cmdTestAddr_Click(0);
    EXPECT_EQ(f.echo.requests.back().destination, (std::array<uint8_t, 4>{198, 51, 100, 1}));
    EXPECT_EQ(w().Monitor().iSite, 1);  // the selection stays
    w().lblExit_Click();
    EXPECT_EQ(f.end.ends, 1);
}

TEST_F(ProgramTest, AFailedStartSaysSoEndsAndLeavesTheSettingsAlone) {
    f.echo.openFails = true;
    Start();
    EXPECT_EQ(f.dialogs.boxes, std::vector<QString>{"ICMP Error: Unable to initialize ICMP"});
    EXPECT_EQ(f.end.ends, 1);
    EXPECT_TRUE(f.settings.writes.empty());
    EXPECT_TRUE(f.area.icons.empty());
}

TEST_F(ProgramTest, CloseRequestsByModeLogonStartAndExit) {
    struct Case {
        bool autoStart;
        int16_t mode;
        bool ends;
    } cases[] = {{false, forms::kFormControlMenu, true},
                 {true, forms::kFormControlMenu, false},
                 {true, forms::kAppWindows, true},
                 {true, forms::kAppTaskManager, true}};
    for (const Case& c : cases) {
        f.end.ends = 0;
        Start();
        w().bAutoStart = c.autoStart;
        w().Unload(c.mode);
        EXPECT_EQ(f.end.ends, c.ends ? 1 : 0) << c.mode;
        EXPECT_EQ(w().Visible(), false) << c.mode;  // hidden into the tray, or gone
        EXPECT_EQ(IconShown(), !c.ends) << c.mode;
        if (c.ends) {
            EXPECT_EQ(f.settings.writes.back(), "Notify");
        }
    }
}

TEST_F(ProgramTest, WithoutATrayTheWindowIsMinimisedAndATrayThatComesLaterGetsTheIcon) {
    // A late window manager that takes the window on as normal is no user's doing; a press on the icon is.
    for (const bool restoredMeanwhile : {false, true}) {
        f.area.available = false;
        f.area.icons.clear();
        Start();
        w().Monitor().RunProbeRound();
        EXPECT_FALSE(w().HideToTray());
        EXPECT_TRUE(w().Visible());
        EXPECT_EQ(w().WindowState(), forms::kMinimized);
        w().SetWindowState(forms::kNormal);
        if (restoredMeanwhile) w().RestoreFromTray();
        f.area.available = true;
        f.area.arrival();
        EXPECT_EQ(w().Visible(), restoredMeanwhile);
        EXPECT_EQ(ShownIcon(), p->Tray().Picture1().Picture());  // the last state, not "Ready"
        EXPECT_NE(f.area.Tip().find(" - TN OK"), std::string::npos);
    }
}

TEST_F(ProgramTest, TrayEventsAndMenus) {
    Start();
    w().SetWindowState(forms::kMinimized);
    w().SetVisible(false);
    TrayEvent(platform::kWmLButtonDown);
    EXPECT_TRUE(w().Visible());
    EXPECT_EQ(w().WindowState(), forms::kNormal);
    TrayEvent(platform::kWmLButtonDblClk);
    EXPECT_FALSE(w().Visible());  // the double click toggles
    EXPECT_FALSE(p->Tray().mnuLeftShow().isChecked());
    f.dialogs.chooseItem = "mnuRightTest";
    f.clock.At(f.clock.now + 100, [this] { w().cmdStop_Click(); });
    std::string tipWhileProbing;
    f.echo.onSend = [&](const auto&) { tipWhileProbing = f.area.Tip(); };
    TrayEvent(platform::kWmRButtonDown);
    EXPECT_EQ(tipWhileProbing, "testing..");
    EXPECT_NE(f.area.Tip().find(" - TN OK"), std::string::npos);
    f.dialogs.chooseItem = "mnuRightExit";
    w().bAutoStart = true;  // a close request would only hide the window: Exit ends all the same
    TrayEvent(platform::kWmRButtonDblClk);
    EXPECT_EQ(f.dialogs.menus, 2);
    EXPECT_EQ(f.end.ends, 1);
    EXPECT_TRUE(f.area.icons.empty());
}

TEST_F(ProgramTest, LogonStartRegistersAndComesUpHiddenAndMonitoring) {
    Start();
    f.registry.setStatus = platform::kRegCantWrite;  // an entry that cannot be written is reported
    w().chkAutoStartUp()->SetValue(1);
    EXPECT_EQ(f.dialogs.boxes, std::vector<QString>{"TarnovelMon: Can't set automatic startup"});
    EXPECT_EQ(w().chkAutoStartUp()->Value(), 0);
    f.registry.setStatus = 0;
    w().chkAutoStartUp()->SetValue(1);
    EXPECT_TRUE(w().bAutoStart);
    Start(60'000);
    EXPECT_FALSE(w().Visible());
    EXPECT_EQ(w().chkAutoStartUp()->Value(), 1);
    EXPECT_EQ(f.echo.requests.size(), 2u);  // the first round at once, one after the first wait
    w().chkAutoStartUp()->SetValue(0);
    Start();
    EXPECT_TRUE(w().Visible());
}

TEST_F(ProgramTest, TheHelpPageIsBesideTheProgramElseWhereThePackageInstallsIt) {
    ASSERT_TRUE(QDir(bin.path()).mkpath("bin") && QDir(bin.path()).mkpath("share/tarnovelmon"));
    f.location.folder = (bin.path() + "/bin").toStdString();
    const QString beside = bin.path() + "/bin/TarnovelMon.html";
    const QString installed = bin.path() + "/share/tarnovelmon/TarnovelMon.html";
    for (const QString& file : {QString(), installed, beside}) {
        if (!file.isEmpty()) QFile(file).open(QIODevice::WriteOnly);
        Start();
        w().cmdHelp_Click();
        w().lblHelp_Click();
        if (file.isEmpty()) {
            EXPECT_EQ(f.dialogs.boxes.back(), "TarnovelMon: Cannot find the help file " + beside);
        } else {
            EXPECT_EQ(f.help.shown, std::vector<QString>(2, file + "#500"));
        }
        f.help.shown.clear();
    }
}

TEST_F(ProgramTest, ASessionSaveGoesOnAndTheSessionsEndRunsTheUnload) {
    Start();
    w().txtLoop()->SetText("9");
    EXPECT_TRUE(p->SaveForSession());
    EXPECT_EQ(f.settings.values["LoopMn"], "9");
    EXPECT_EQ(f.end.ends, 0);
    EXPECT_TRUE(w().Visible() && IconShown());
    w().bAutoStart = true;
    w().txtLoop()->SetText("7");
    p->EndOnRequest(forms::kAppTaskManager);
    EXPECT_EQ(f.settings.values["LoopMn"], "7");
    EXPECT_FALSE(IconShown());
    EXPECT_TRUE(w().Monitor().bShutdown);
    EXPECT_GE(f.end.ends, 1);
}

TEST_F(ProgramTest, SettingsKeysDefaultsAndPlacement) {
    f.settings.values = {
        {"frmPingLeft", "1500"}, {"frmPingTop", "x"}, {"frmPingWidth", "2175"}, {"level2", "321"}};
    Start();
    EXPECT_FLOAT_EQ(w().Left(), 1500);
    EXPECT_FLOAT_EQ(w().Width(), 2175);
    EXPECT_EQ(w().txtIP(0)->Text(), "one.one.one.one");
    EXPECT_EQ(w().txtIP(1)->Text(), "dns.google");
    EXPECT_EQ(w().txtlvl(3)->Text(), "321");  // level D repeats level C from the load on
    w().txtlvl(2)->SetText("150");
    EXPECT_EQ(w().txtlvl(3)->Text(), "150");
    const float top = w().Top();
    w().SaveSettings();
    EXPECT_EQ(f.settings.writes,
              (std::vector<std::string>{"frmPingLeft", "frmPingTop", "frmPingWidth", "frmPingHeight", "site0",
                                        "site1", "TimeOut", "TTL", "LoopMn", "level0", "level1", "level2",
                                        "Notify"}));
    EXPECT_EQ(f.settings.values["frmPingTop"], common::DecimalText(top));  // the design's, for "x"
    f.settings.writes.clear();
    w().SetWindowState(forms::kMinimized);
    w().SaveSettings();
    EXPECT_EQ(f.settings.writes.front(), "site0");  // a minimised window keeps the stored placement
    f.settings.values = {{"frmPingLeft", "-900000"}, {"frmPingTop", "-900000"}};
    Start();
    EXPECT_GE(w().x(), 0);  // off every screen: brought onto the primary one
    EXPECT_GE(w().y(), 0);
}

// Each field at both edges of its range and just beyond them; the expected ranges are written out here,
// not taken from the program's table, so that a widened or missing row shows.
TEST_F(ProgramTest, TheStartsCheckHoldsEveryFieldToItsRangeAtBothEdges) {
    Start();
    const char* const k0To999 = "You must enter a number between 0 and 999";
    const char* const k1To999 = "You must enter a number between 1 and 999";
    const struct Range {
        forms::TextBox* box;
        int low, high;
        const char* message;
    } ranges[] = {{w().txtTimeToLive(), 0, 255, "You must enter a number between 0 and 255"},
                  {w().txtTimeOut(), 1, 999, k1To999},
                  {w().txtLoop(), 1, 999, k1To999},
                  {w().txtlvl(0), 0, 999, k0To999},
                  {w().txtlvl(1), 0, 999, k0To999},
                  {w().txtlvl(2), 0, 999, k0To999},
                  {w().txtlvl(3), 0, 999, k0To999}};
    const auto expectCheck = [this](bool passes, const char* message, const std::string& what) {
        f.dialogs.boxes.clear();
        EXPECT_EQ(w().ValidateFields(), passes) << what;
        const auto boxes =
            passes ? std::vector<QString>{} : std::vector<QString>{QString("Field Error: ") + message};
        EXPECT_EQ(f.dialogs.boxes, boxes) << what;
    };
    for (const Range& r : ranges) {
        for (const int v : {r.low - 1, r.low, r.high, r.high + 1}) {
            for (const Range& other : ranges) other.box->SetText(std::to_string(other.low));
            r.box->SetText(std::to_string(v));
            expectCheck(v >= r.low && v <= r.high, r.message,
                        r.box->objectName().toStdString() + "=" + std::to_string(v));
        }
    }
    for (const int16_t site : {0, 1}) {
        const std::string typed = w().txtIP(site)->Text();
        w().txtIP(site)->SetText("");
        expectCheck(false, monitor::kSiteMessage, "site " + std::to_string(site));
        w().txtIP(site)->SetText(typed);
    }
}

TEST_F(ProgramTest, ObjectsDeletedLaterAreFreedDuringTheMonitorsWait) {
    Start();
    f.clock.actions.clear();
    QPointer<QObject> doomed = new QObject;
    bool freedInTheWait = false;
    f.clock.At(f.clock.now + 1'000, [&] { doomed->deleteLater(); });
    f.clock.At(f.clock.now + 5'000, [&] {
        freedInTheWait = doomed.isNull();
        w().cmdStop_Click();
    });
    w().Monitor().bFieldsChanged = true;
    w().cmdStart_Click();
    EXPECT_EQ(f.echo.requests.size(), 1u);
    EXPECT_TRUE(freedInTheWait);
}

}  // namespace
