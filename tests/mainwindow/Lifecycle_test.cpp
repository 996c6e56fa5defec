// The program's start, the window's life and end, its commands and the tray icon's actions, on the
// platform's fakes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

#include "fakes/FakeClock.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeEchoService.h"
#include "fakes/FakeNotificationArea.h"
#include "fakes/FakeResolver.h"
#include "fakes/FakeSettingsStore.h"
#include "fakes/ProgramEnds.h"
#include "mainwindow/frmPing.h"
#include "mainwindow/modPingAuto.h"
#include "probe/modPing.h"
#include "startup/LogonStart.h"
#include "tray/frmSysTray.h"
#include "tray/modSysTray.h"

namespace {

using Kind = fakes::FakeNotificationArea::Kind;

class HelpViewerSpy : public forms::HelpViewer {
  public:
    std::vector<std::pair<QString, int32_t>> shown;
    bool ShowHelp(const QString& file, int32_t context) override {
        shown.emplace_back(file, context);
        return true;
    }
};

class Lifecycle : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        previousConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
        QDir().mkpath(home.path() + "/bin");
        QFile exe(home.path() + "/bin/TarnovelMon");
        ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
        modPingAuto::SetProgramLocation(
            modPingAuto::ProgramLocation{(home.path() + "/bin").toStdString(), "TarnovelMon"});
        modPing::SetEchoService(&echo);
        modPing::SetResolver(&resolver);
        platform::SetSettingsStore(&settings);
        forms::SetHelpViewer(&help);
        resolver.hosts["main.test"] = {{198, 51, 100, 1}};
        resolver.hosts["alt.test"] = {{198, 51, 100, 2}};
        modPingAuto::bAutoStart = false;
        modPingAuto::bShutdown = false;
        ends = tn_test::programEnds;
    }
    void TearDown() override {
        w.reset();
        modPing::CloseIcmp();
        modPing::SetEchoService(nullptr);
        modPing::SetResolver(nullptr);
        platform::SetSettingsStore(nullptr);
        forms::SetHelpViewer(nullptr);
        modPingAuto::SetProgramLocation(std::nullopt);
        qputenv("XDG_CONFIG_HOME", previousConfig);
    }

    // A loaded window with good fields, optionally with logon start registered first.
    void Open(bool registered = false, bool show = true) {
        if (registered) modPingAuto::SaveStartupRegistrySetting(true, "TarnovelMon");
        w = std::make_unique<frmPing>();
        w->Load();
        w->txtIP(0)->SetText("main.test");
        w->txtIP(1)->SetText("alt.test");
        if (show) w->ShowForm();
    }
    bool Ended() const { return tn_test::programEnds > ends; }
    void TrayEvent(int32_t message) {
        ASSERT_TRUE(area.handler);
        area.handler(TheSysTray().Picture4().hWnd(), 1, message);
    }

    QTemporaryDir home;
    QByteArray previousConfig;
    fakes::FakeEchoService echo;
    fakes::FakeResolver resolver;
    fakes::FakeNotificationArea area;
    fakes::ScopedNotificationArea scopedArea{area};
    fakes::FakeDialogs dialogs;
    fakes::ScopedDialogs scopedDialogs{dialogs};
    fakes::FakeSettingsStore settings;
    HelpViewerSpy help;
    std::unique_ptr<frmPing> w;
    int ends = 0;
};

TEST_F(Lifecycle, TheLoadSequence) {
    settings.values["Settings/site0"] = "stored.test";
    Open(false, false);
    EXPECT_NE(modPing::IcmpHandle(), 0);
    EXPECT_EQ(w->lngGreen, 0x00FF00);
    EXPECT_EQ(w->lngRed, 0x0000FF);
    EXPECT_EQ(w->lngYellow, 0x00FFFF);
    for (forms::Label* l :
         {w->lblGd(), w->lbllastGd(), w->lblYel(), w->lbllastYel(), w->lblBd(), w->lbllastBd()}) {
        EXPECT_EQ(l->Caption(), "") << l->objectName().toStdString();
    }
    EXPECT_TRUE(w->cmdStart()->isEnabled());
    EXPECT_FALSE(w->cmdStop()->isEnabled());
    EXPECT_EQ(settings.reads.size(), 12u);
    EXPECT_EQ(w->iSite, 0);
    EXPECT_TRUE(w->optIP(0)->Value());
    EXPECT_TRUE(resolver.lookups.empty());  // selecting the selected site resolves nothing
    ASSERT_FALSE(area.calls.empty());
    EXPECT_EQ(area.calls[0].kind, Kind::kAdd);
    EXPECT_EQ(area.calls[0].tip, "Ready");
    EXPECT_EQ(area.calls[0].owner, TheSysTray().Picture4().hWnd());
    EXPECT_EQ(area.calls[0].icon, TheSysTray().Picture4().Picture());
    EXPECT_FALSE(TheSysTray().Visible());
    EXPECT_EQ(w->chkAutoStartUp()->Value(), 0);
    EXPECT_FALSE(modPingAuto::bAutoStart);
    EXPECT_FALSE(w->bLoading);
    EXPECT_FALSE(w->Visible());
    EXPECT_FALSE(Ended());
}

TEST_F(Lifecycle, TheLoadChecksTheBoxWhenLogonStartIsRegisteredAndRegistersNothingAgain) {
    modPingAuto::SaveStartupRegistrySetting(true, "TarnovelMon");
    const QString entry = home.path() + "/config/autostart/TarnovelMon.exe.desktop";
    ASSERT_TRUE(QFile::exists(entry));
    QFile::remove(entry + ".seen");
    QFile::copy(entry, entry + ".seen");
    Open(false, false);
    EXPECT_EQ(w->chkAutoStartUp()->Value(), 1);
    EXPECT_TRUE(modPingAuto::bAutoStart);
    QFile a(entry), b(entry + ".seen");
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(Lifecycle, AFailedStartSaysSoEndsAndLeavesTheSettingsAlone) {
    echo.openFails = true;
    settings.values["Settings/site0"] = "kept.test";
    w = std::make_unique<frmPing>();
    w->Load();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Unable to initialize ICMP");
    EXPECT_EQ(dialogs.boxes[0].title, "ICMP Error");
    EXPECT_EQ(dialogs.boxes[0].style, 0);
    EXPECT_TRUE(Ended());
    EXPECT_TRUE(settings.reads.empty());
    EXPECT_TRUE(settings.writes.empty());
    EXPECT_EQ(settings.values["Settings/site0"], "kept.test");
    for (const auto& c : area.calls) EXPECT_NE(c.kind, Kind::kAdd);
}

TEST_F(Lifecycle, CloseRequestsByModeLogonStartAndExit) {
    struct Case {
        int16_t mode;
        bool autoStart, exit, ends;
    };
    const Case cases[] = {
        {0, false, false, true}, {0, true, false, false}, {0, true, true, true},  {1, false, false, true},
        {1, true, false, false}, {1, true, true, true},   {2, true, false, true}, {3, true, false, true},
        {2, false, false, true}, {3, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << c.mode << " auto " << c.autoStart << " exit " << c.exit);
        area.calls.clear();
        settings.writes.clear();
        echo.closed.clear();
        Open(c.autoStart);
        ends = tn_test::programEnds;
        modPingAuto::bShutdown = false;
        w->bLoopRunning = true;
        w->bExitfromSystray = c.exit;
        const bool unloaded = w->Unload(c.mode);
        EXPECT_EQ(unloaded, c.ends);
        EXPECT_EQ(Ended(), c.ends);
        if (c.ends) {
            EXPECT_FALSE(settings.writes.empty());  // saved
            EXPECT_EQ(area.calls.back().kind, Kind::kDelete);
            EXPECT_FALSE(echo.closed.empty());
            EXPECT_TRUE(modPingAuto::bShutdown);
            EXPECT_FALSE(w->bLoopRunning);
        } else {
            EXPECT_TRUE(w->IsLoaded());
            EXPECT_FALSE(w->Visible());  // hidden in the tray, still monitoring
            EXPECT_TRUE(w->bLoopRunning);
            EXPECT_TRUE(settings.writes.empty());
        }
        modPingAuto::SaveStartupRegistrySetting(false, "TarnovelMon");
        modPingAuto::bAutoStart = false;
    }
}

TEST_F(Lifecycle, WithoutANotificationAreaTheWindowIsMinimisedInsteadOfHidden) {
    area.available = false;
    Open(true);
    EXPECT_FALSE(w->Unload(forms::kFormControlMenu));
    EXPECT_TRUE(w->Visible());
    EXPECT_EQ(w->WindowState(), forms::kMinimized);
    // A notification area that comes later takes the icon, and the window hides there.
    area.available = true;
    w->SetWindowState(forms::kNormal);
    EXPECT_FALSE(w->Unload(forms::kFormControlMenu));
    EXPECT_FALSE(w->Visible());
    EXPECT_EQ(area.calls.back().kind, Kind::kAdd);
    EXPECT_TRUE(area.calls.back().answer);
    // It shows the state of the last round, once there was one.
    area.icons.clear();
    area.available = false;
    Open(true);
    echo.replies.push_back(fakes::FakeEchoService::Failure(11010));
    w->ShowSiteAddress();
    w->RunProbeRound();
    area.available = true;
    EXPECT_FALSE(w->Unload(forms::kFormControlMenu));
    EXPECT_FALSE(w->Visible());
    EXPECT_EQ(area.calls.back().kind, Kind::kModify);
    EXPECT_EQ(area.calls.back().icon, TheSysTray().Picture2().Picture());
    EXPECT_EQ(area.icons.begin()->second.tip.substr(8), " - TN Problem");
}

TEST_F(Lifecycle, TrayEventsByKind) {
    struct Case {
        int32_t message;
        bool startVisible;
        bool visible;  // afterwards
        bool menu;     // the popup menu was shown
    };
    const Case cases[] = {
        {512, false, false, false}, {513, false, true, false}, {514, false, false, false},
        {515, false, true, false},  {515, true, false, false}, {516, true, true, true},
        {517, true, true, false},   {518, true, true, true},   {6192 / 15, true, true, false},
    };
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        w->SetVisible(c.startVisible);
        dialogs.menusShown.clear();
        TrayEvent(c.message);
        EXPECT_EQ(w->Visible(), c.visible);
        EXPECT_EQ(!dialogs.menusShown.empty(), c.menu);
        if (c.message == 515) {
            EXPECT_EQ(TheSysTray().mnuLeftShow().isChecked(), c.visible);
        }
    }
}

TEST_F(Lifecycle, ALeftPressRestoresAHiddenMinimisedWindow) {
    Open(true);
    w->SetWindowState(forms::kMinimized);
    w->Unload(forms::kFormControlMenu);  // hides: logon start, no exit asked
    ASSERT_FALSE(w->Visible());
    TrayEvent(513);
    EXPECT_TRUE(w->Visible());
    EXPECT_EQ(w->WindowState(), forms::kNormal);
    QApplication::processEvents();
    EXPECT_FALSE(w->bRestorefromSystray);
}

TEST_F(Lifecycle, TheTrayMenu) {
    Open(true);
    // Test: the grey icon and "testing..", then the start command (refused here: a site is empty).
    w->txtIP(1)->SetText("");
    dialogs.chooseItem = "mnuRightTest";
    TrayEvent(516);
    const auto& modify = area.calls.back();
    EXPECT_EQ(modify.kind, Kind::kModify);
    EXPECT_EQ(modify.tip, "testing..");
    EXPECT_EQ(modify.icon, TheSysTray().Picture4().Picture());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "Field Error");
    EXPECT_TRUE(echo.requests.empty());
    // Exit ends the program even with logon start registered.
    dialogs.chooseItem = "mnuRightExit";
    TrayEvent(518);
    EXPECT_TRUE(Ended());
    EXPECT_TRUE(w->bExitfromSystray);
}

TEST_F(Lifecycle, TheTrayTestStartsMonitoring) {
    fakes::FakeClock clock;
    fakes::ScopedClock scoped(clock);
    Open();
    echo.fallback = fakes::FakeEchoService::Reply({198, 51, 100, 1}, 0, 12);
    clock.At(clock.now + 60000, [this] { w->cmdStop_Click(); });
    dialogs.chooseItem = "mnuRightTest";
    TrayEvent(516);
    EXPECT_EQ(echo.requests.size(), 2u);
    EXPECT_EQ(area.calls.back().tip.substr(8), " - TN OK");
}

TEST_F(Lifecycle, TheOptionsToggle) {
    Open();
    struct Step {
        void (frmPing::*command)();
        float width, height;
    };
    const Step steps[] = {
        {&frmPing::lblOptions_Click, 8010, 5640}, {&frmPing::cmdHide_Click, 2175, 2835},
        {&frmPing::lblOptions_Click, 2175, 2835}, {&frmPing::lblOptions_Click, 8010, 5640},
        {&frmPing::cmdHide_Click, 2175, 2835},    {&frmPing::lblOptions_Click, 2175, 2835},
    };
    for (const Step& s : steps) {
        ((*w).*s.command)();
        EXPECT_FLOAT_EQ(w->Width(), s.width);
        EXPECT_FLOAT_EQ(w->Height(), s.height);
    }
    w->SetWindowState(forms::kMinimized);
    w->lblOptions_Click();
    EXPECT_EQ(w->WindowState(), forms::kNormal);
    EXPECT_FLOAT_EQ(w->Width(), 8010);
}

TEST_F(Lifecycle, PerSiteTestLeavesTheSelection) {
    Open();
    echo.replies.push_back(fakes::FakeEchoService::Reply({198, 51, 100, 2}, 0, 5));
    w->cmdTestAddr_Click(1);
    ASSERT_EQ(echo.requests.size(), 1u);
    EXPECT_EQ(echo.requests[0].destination, (std::array<uint8_t, 4>{198, 51, 100, 2}));
    EXPECT_EQ(w->iSite, 0);
    EXPECT_TRUE(w->optIP(0)->Value());
    // A failure switches the option buttons; the selection still comes back.
    echo.replies.push_back(fakes::FakeEchoService::Failure(11010));
    w->cmdTestAddr_Click(1);
    EXPECT_EQ(w->iSite, 0);
    EXPECT_TRUE(w->optIP(0)->Value());
    // Clicking the selected site's option resolves nothing; the other one resolves its site.
    resolver.lookups.clear();
    w->optIP(0)->SetValue(true);
    EXPECT_TRUE(resolver.lookups.empty());
    w->optIP(1)->SetValue(true);
    EXPECT_EQ(resolver.lookups, std::vector<std::string>{"alt.test"});
    EXPECT_EQ(w->iSite, 1);
}

TEST_F(Lifecycle, Help) {
    Open();
    forms::App::SetHelpFile(home.path() + "/missing.html");
    w->cmdHelp_Click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(home.path() + "/missing.html"));
    EXPECT_TRUE(help.shown.empty());
    QFile page(home.path() + "/TarnovelMon.html");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    forms::App::SetHelpFile(page.fileName());
    w->lblHelp_Click();
    ASSERT_EQ(help.shown.size(), 1u);
    EXPECT_EQ(help.shown[0].first, page.fileName());
    EXPECT_EQ(help.shown[0].second, 500);
}

TEST_F(Lifecycle, TheLogonCheckBox) {
    Open();
    const QString entry = home.path() + "/config/autostart/TarnovelMon.exe.desktop";
    QTest::mouseClick(w->chkAutoStartUp(), Qt::LeftButton, {}, QPoint(6, 10));
    EXPECT_TRUE(modPingAuto::bAutoStart);
    EXPECT_TRUE(modPingAuto::IsStartupSet("TarnovelMon"));
    EXPECT_TRUE(QFile::exists(entry));
    QTest::mouseClick(w->chkAutoStartUp(), Qt::LeftButton, {}, QPoint(6, 10));
    EXPECT_FALSE(modPingAuto::bAutoStart);
    EXPECT_FALSE(modPingAuto::IsStartupSet("TarnovelMon"));
    // Now a close ends the program.
    EXPECT_TRUE(w->Unload(forms::kFormControlMenu));
    EXPECT_TRUE(Ended());
}

TEST_F(Lifecycle, ExitButtonAndLink) {
    for (void (frmPing::*exit)() : {&frmPing::cmdExit_Click, &frmPing::lblExit_Click}) {
        Open(true);
        ends = tn_test::programEnds;
        settings.writes.clear();
        ((*w).*exit)();
        EXPECT_TRUE(Ended());
        EXPECT_FALSE(settings.writes.empty());
        modPingAuto::SaveStartupRegistrySetting(false, "TarnovelMon");
    }
}

TEST_F(Lifecycle, SignalsEndTheProgramThroughTheUnload) {
    modPingAuto::InstallTerminationHandlers();
    modPingAuto::WatchTerminationRequests();
    ends = tn_test::programEnds;
    raise(SIGTERM);
    for (int i = 0; i < 50 && !Ended(); ++i) QApplication::processEvents();
    EXPECT_TRUE(Ended());
}

TEST_F(Lifecycle, MainWithLogonStartComesUpHiddenAndMonitoring) {
    fakes::FakeClock clock;
    fakes::ScopedClock scoped(clock);
    settings.values["Settings/site0"] = "main.test";
    settings.values["Settings/site1"] = "alt.test";
    modPingAuto::SaveStartupRegistrySetting(true, "TarnovelMon");
    echo.fallback = fakes::FakeEchoService::Reply({198, 51, 100, 1}, 0, 12);
    frmPing& main = modPingAuto::ThePing();
    clock.At(clock.now + 200000, [&] {
        EXPECT_FALSE(main.Visible());
        EXPECT_TRUE(main.bLoopRunning);
        main.cmdStop_Click();
    });
    modPingAuto::Main();
    EXPECT_TRUE(modPingAuto::bAutoStart);
    EXPECT_EQ(echo.requests.size(), 4u);  // the first round and three after 55.8 s each
    EXPECT_FALSE(main.Visible());
    EXPECT_EQ(main.chkAutoStartUp()->Value(), 1);
    EXPECT_EQ(area.calls.front().tip, "Ready");
    EXPECT_TRUE(forms::App::HelpFile().endsWith("TarnovelMon.html"));
}

}  // namespace
