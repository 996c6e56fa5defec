#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

#include "common/Twips.h"
#include "fakes/FakeSettingsStore.h"
#include "mainwindow/frmPing.h"
#include "platform/qt/QtSettingsStore.h"

namespace {

const std::vector<std::string> kTextKeys = {"site0",  "site1",  "TimeOut", "TTL",
                                            "LoopMn", "level0", "level1",  "level2"};

class SettingsTest : public testing::Test {
  protected:
    fakes::FakeSettingsStore store;
    fakes::ScopedSettingsStore scoped{store};
};

TEST_F(SettingsTest, AFirstRunShowsTheDefaultsAtTheDesignPlacement) {
    frmPing w;
    w.Load();
    EXPECT_FLOAT_EQ(w.Width(), 8010);
    EXPECT_FLOAT_EQ(w.Height(), 5640);
    EXPECT_EQ(w.txtIP(0)->Text(), "one.one.one.one");
    EXPECT_EQ(w.txtIP(1)->Text(), "dns.google");
    EXPECT_EQ(w.txtTimeOut()->Text(), "250");
    EXPECT_EQ(w.txtTimeToLive()->Text(), "64");
    EXPECT_EQ(w.txtLoop()->Text(), "1");
    EXPECT_EQ(w.txtlvl(0)->Text(), "75");
    EXPECT_EQ(w.txtlvl(1)->Text(), "120");
    EXPECT_EQ(w.txtlvl(2)->Text(), "200");
    EXPECT_EQ(w.txtlvl(3)->Text(), "200");
    EXPECT_TRUE(w.bFieldsChanged);      // loading texts that differ from the empty design counts as a change
    EXPECT_TRUE(store.writes.empty());  // nothing is written on a read
    const std::vector<std::string> order = {"frmPingLeft", "frmPingTop", "frmPingWidth", "frmPingHeight",
                                            "site0",       "site1",      "TimeOut",      "TTL",
                                            "LoopMn",      "level0",     "level1",       "level2"};
    EXPECT_EQ(store.reads, order);
}

TEST_F(SettingsTest, WritesEveryKeyInOrderAndNeverLevelThree) {
    frmPing w;
    w.Load();
    w.txtlvl(3)->SetText("999");
    EXPECT_TRUE(w.SaveSettings());
    const std::vector<std::string> order = {"frmPingLeft", "frmPingTop", "frmPingWidth", "frmPingHeight",
                                            "site0",       "site1",      "TimeOut",      "TTL",
                                            "LoopMn",      "level0",     "level1",       "level2"};
    EXPECT_EQ(store.writes, order);
    EXPECT_EQ(store.flushes, 1);
    EXPECT_EQ(store.values["Settings/frmPingWidth"], "8010");
    EXPECT_EQ(store.values["Settings/frmPingHeight"], "5640");
    frmPing again;
    again.Load();
    EXPECT_EQ(again.txtlvl(3)->Text(), "200");  // refilled from level 2
}

TEST_F(SettingsTest, AMinimisedOrMaximisedWindowKeepsTheStoredPlacement) {
    for (const int16_t state : {forms::kMinimized, forms::kMaximized}) {
        store.values = {{"Settings/frmPingLeft", "1500"}, {"Settings/frmPingTop", "3000"}};
        store.writes.clear();
        frmPing w;
        w.ShowForm();
        w.txtIP(0)->SetText("changed.test");
        w.SetWindowState(state);
        EXPECT_TRUE(w.SaveSettings());
        EXPECT_EQ(store.writes, std::vector<std::string>(kTextKeys)) << state;
        EXPECT_EQ(store.values["Settings/frmPingLeft"], "1500");
        EXPECT_EQ(store.values["Settings/site0"], "changed.test");
    }
}

TEST_F(SettingsTest, StoredPlacementIsRestoredAndNonNumbersKeepTheDesign) {
    frmPing design;
    design.Load();
    const float left = design.Left(), top = design.Top();
    struct Case {
        std::map<std::string, std::string> stored;
        float left, top, width, height;
    };
    const Case cases[] = {
        {{{"frmPingLeft", "1500"},
          {"frmPingTop", "3000"},
          {"frmPingWidth", "2175"},
          {"frmPingHeight", "2835"}},
         1500,
         3000,
         2175,
         2835},
        {{{"frmPingLeft", "abc"}, {"frmPingTop", ""}, {"frmPingWidth", "12px"}, {"frmPingHeight", "nan"}},
         left,
         top,
         8010,
         5640},
        {{{"frmPingWidth", "inf"}, {"frmPingHeight", " 2835 "}}, left, top, 8010, 2835},
    };
    for (const Case& c : cases) {
        store.values.clear();
        for (const auto& [k, v] : c.stored) store.values["Settings/" + k] = v;
        frmPing w;
        w.Load();
        EXPECT_FLOAT_EQ(w.Left(), c.left);
        EXPECT_FLOAT_EQ(w.Top(), c.top);
        EXPECT_FLOAT_EQ(w.Width(), c.width);
        EXPECT_FLOAT_EQ(w.Height(), c.height);
    }
}

TEST_F(SettingsTest, APlacementOffEveryScreenIsMovedOntoThePrimaryScreen) {
    store.values["Settings/frmPingLeft"] = "999000";
    store.values["Settings/frmPingTop"] = "-999000";
    frmPing w;
    w.Load();
    const QRect window(w.x(), w.y(), w.width(), w.height());
    EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().intersects(window));
    // Partly visible is left where it is.
    store.values["Settings/frmPingLeft"] = "-1500";
    store.values["Settings/frmPingTop"] = "1500";
    frmPing partly;
    partly.Load();
    EXPECT_FLOAT_EQ(partly.Left(), -1500);
}

TEST_F(SettingsTest, SettingsThatWereNeverReadAreNotOverwritten) {
    frmPing w;  // never loaded: its controls hold the design contents
    EXPECT_FALSE(w.SaveSettings());
    EXPECT_TRUE(store.writes.empty());
}

// The real store, in the test's own XDG_CONFIG_HOME.
class RealSettings : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        previous = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    }
    void TearDown() override {
        qputenv("XDG_CONFIG_HOME", previous);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromLocal8Bit(previous));
    }
    QString File() const { return dir.path() + "/TarnovelMon/TarnovelMon.ini"; }
    QTemporaryDir dir;
    QByteArray previous;
};

TEST_F(RealSettings, OddValuesComeBackExactly) {
    const std::vector<std::string> odd = {" lead and trail ",   "a=b;c#d", "\"quoted\" 'single'",
                                          "naïve ☃ 東京",       "",        "abc",
                                          "back\\slash, comma", "@at"};
    {
        platform::QtSettingsStore store;
        platform::SetSettingsStore(&store);
        frmPing w;
        w.Load();
        w.txtIP(0)->SetText(odd[0]);
        w.txtIP(1)->SetText(odd[1]);
        w.txtTimeOut()->SetText(odd[2]);
        w.txtTimeToLive()->SetText(odd[3]);
        w.txtLoop()->SetText(odd[4]);
        w.txtlvl(0)->SetText(odd[5]);
        w.txtlvl(1)->SetText(odd[6]);
        w.txtlvl(2)->SetText(odd[7]);
        EXPECT_TRUE(w.SaveSettings());
        platform::SetSettingsStore(nullptr);
    }
    ASSERT_TRUE(QFile::exists(File()));
    platform::QtSettingsStore fresh;
    platform::SetSettingsStore(&fresh);
    frmPing w;
    w.Load();
    platform::SetSettingsStore(nullptr);
    EXPECT_EQ(w.txtIP(0)->Text(), odd[0]);
    EXPECT_EQ(w.txtIP(1)->Text(), odd[1]);
    EXPECT_EQ(w.txtTimeOut()->Text(), odd[2]);
    EXPECT_EQ(w.txtTimeToLive()->Text(), odd[3]);
    EXPECT_EQ(w.txtLoop()->Text(), odd[4]);
    EXPECT_EQ(w.txtlvl(0)->Text(), odd[5]);
    EXPECT_EQ(w.txtlvl(1)->Text(), odd[6]);
    EXPECT_EQ(w.txtlvl(2)->Text(), odd[7]);
    EXPECT_EQ(w.txtlvl(3)->Text(), odd[7]);
}

// Runs the settings tool, as another user when `uid` is set; returns its exit status.
int RunTool(const QString& configHome, const std::vector<std::string>& args, std::optional<uid_t> uid) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_CONFIG_HOME", configHome.toLocal8Bit().constData(), 1);
        if (uid && (setgid(*uid) != 0 || setuid(*uid) != 0)) _exit(100);
        std::vector<char*> argv{const_cast<char*>(TN_SETTINGS_TOOL)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(TN_SETTINGS_TOOL, argv.data());
        _exit(101);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(RealSettings, AProcessEndingRightAfterTheWriteHasWrittenTheFile) {
    ASSERT_EQ(RunTool(dir.path(), {"site0", "written.test", "TTL", "32"}, std::nullopt), 0);
    QSettings file(File(), QSettings::IniFormat);
    EXPECT_EQ(file.value("Settings/site0").toString(), "written.test");
    EXPECT_EQ(file.value("Settings/TTL").toString(), "32");
}

TEST_F(RealSettings, AnUnwritableFolderLosesNothing) {
    if (geteuid() != 0) {
        if (qEnvironmentVariable("CI") == "true") FAIL() << "needs root to act as another user";
        GTEST_SKIP() << "needs root to run the writer as an unprivileged user (root ignores file modes)";
    }
    ASSERT_EQ(RunTool(dir.path(), {"site0", "old.test"}, std::nullopt), 0);
    const QString folder = dir.path() + "/TarnovelMon";
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(
        folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(File(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    // As "nobody": the folder and the file are not writable.
    EXPECT_EQ(RunTool(dir.path(), {"site0", "new.test"}, uid_t{65534}), 3);
    QSettings file(File(), QSettings::IniFormat);
    EXPECT_EQ(file.value("Settings/site0").toString(), "old.test");
    EXPECT_FALSE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size() > 1);  // no litter
}

}  // namespace
