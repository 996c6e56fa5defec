// The settings file itself: odd texts come back exactly, and a folder that cannot be written loses
// nothing.
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include "gtest/gtest.h"
#include "platform/qt/QtSettingsStore.h"

namespace {

class RealSettings : public testing::Test {
  protected:
    void SetUp() override { QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path()); }
    QString File() const { return dir.path() + "/TarnovelMon/TarnovelMon.ini"; }
    // Runs the settings tool, as "nobody" when asked; its exit status.
    int RunTool(const std::vector<std::string>& args, bool asNobody) {
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit().constData(), 1);
            if (asNobody && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(100);
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
    QTemporaryDir dir;
};

TEST_F(RealSettings, OddValuesComeBackExactly) {
    const std::vector<std::string> odd = {" lead and trail ",
                                          "a=b;c#d",
                                          "\"quoted\" 'single'",
                                          "naïve ☃ 東京",
                                          "",
                                          "back\\slash, comma",
                                          "@at",
                                          "%25"};
    {
        platform::QtSettingsStore store;
        for (size_t i = 0; i < odd.size(); ++i)
            store.Write("TarnovelMon", "Settings", "k" + std::to_string(i), odd[i]);
        ASSERT_TRUE(store.Flush());
    }
    platform::QtSettingsStore fresh;
    for (size_t i = 0; i < odd.size(); ++i) {
        EXPECT_EQ(fresh.Read("TarnovelMon", "Settings", "k" + std::to_string(i), "none"), odd[i]);
    }
    EXPECT_EQ(fresh.Read("TarnovelMon", "Settings", "absent", "none"), "none");
}

TEST_F(RealSettings, AnUnwritableFolderLosesNothing) {
    if (geteuid() != 0) {
        if (qEnvironmentVariable("CI") == "true") FAIL() << "needs root to act as another user";
        GTEST_SKIP() << "needs root to run the writer as an unprivileged user (root ignores file modes)";
    }
    ASSERT_EQ(RunTool({"site0", "old.test"}, false), 0);
    const auto readOnly =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(dir.path(), readOnly);
    QFile::setPermissions(dir.path() + "/TarnovelMon", readOnly);
    EXPECT_EQ(RunTool({"site0", "new.test"}, true), 3);
    EXPECT_EQ(QSettings(File(), QSettings::IniFormat).value("Settings/site0").toString(), "old.test");
    EXPECT_EQ(QDir(dir.path() + "/TarnovelMon").entryList(QDir::Files | QDir::Hidden).size(), 1);
}

}  // namespace
