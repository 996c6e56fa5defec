// Registry access and logon start over the real per-user registry in a configuration folder of the
// test's own, and over a registry in memory where a failure must be forced; the settings file's odd
// texts, and the stored files on a nearly full disk.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "fakes/Fakes.h"
#include "platform/linux/DesktopEntry.h"
#include "platform/qt/QtSettingsStore.h"
#include "platform/qt/XdgRegistry.h"
#include "startup/LogonStart.h"

namespace {

using modPingAuto::kRunKey;
using modRegistryTools::HKEY_CURRENT_USER;
using modRegistryTools::REG_SZ;

std::string ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<none>";
}

void WriteAll(const QString& path, const std::string& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(text.c_str()) == static_cast<qint64>(text.size()));
}

// What the registry tools log for an error `code` of `what` in the function `in`.
std::string Logged(const std::string& in, int code, const std::string& what) {
    return "modRegistryTools." + in + ": error " + std::to_string(code) +
           " (level 1, run-time error 0): " + what;
}

class StartupTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid() && bin.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    }
    QString Entry() const { return config.path() + "/autostart/TarnovelMon.exe.desktop"; }
    std::string Exe() const {
        return QFileInfo(bin.path()).canonicalFilePath().toStdString() + "/TarnovelMon";
    }
    modPingAuto::LogonStart Logon(platform::ProgramLocation at) { return {tools, std::move(at)}; }
    std::string Query(const std::string& key, const std::string& name) {
        std::string value = "<unset>";
        EXPECT_TRUE(tools.QueryValue(key, HKEY_CURRENT_USER, name, value)) << key << " " << name;
        return value;
    }

    QTemporaryDir config, bin;
    platform::XdgRegistry registry;
    std::vector<std::string> log;
    modRegistryTools::RegistryTools tools{registry, [this](const std::string& line) { log.push_back(line); }};
};

TEST_F(StartupTest, LogonStartWritesAValidEntryAndEmptiesItWithHidden) {
    modPingAuto::LogonStart logon = Logon({bin.path().toStdString(), "TarnovelMon"});
    EXPECT_FALSE(logon.IsStartupSet("TarnovelMon"));
    EXPECT_TRUE(logon.SaveStartupRegistrySetting(true, "TarnovelMon").registered);
    EXPECT_TRUE(logon.IsStartupSet("TarnovelMon"));
    // Every line: sessions start it after their panel, and name and draw it in their logon lists.
    const std::string head =
                          "[Desktop Entry]\nType=Application\nName=Tarnovel Monitor\nIcon=tarnovelmon\nExec=",
                      tail =
                          "\nTerminal=false\nX-GNOME-Autostart-enabled=true\nX-GNOME-Autostart-Delay=5\n"
                          "X-KDE-autostart-after=panel\nX-LXQt-Need-Tray=true\n";
    EXPECT_EQ(ReadAll(Entry()), head + Exe() + tail);
    const bool validator = !QStandardPaths::findExecutable("desktop-file-validate").isEmpty();
    EXPECT_EQ(validator ? QProcess::execute("desktop-file-validate", {Entry()}) : 0, 0);
    EXPECT_FALSE(logon.SaveStartupRegistrySetting(false, "TarnovelMon").registered);
    EXPECT_FALSE(logon.IsStartupSet("TarnovelMon"));
    EXPECT_EQ(ReadAll(Entry()), head + tail + "Hidden=true\n");
    EXPECT_EQ(Query(kRunKey, "TarnovelMon.exe"), std::string(1, '\0'));  // the emptied value reads as one NUL
    EXPECT_EQ(logon.SaveStartupRegistrySetting(true, "TarnovelMon").failure, "");
    EXPECT_TRUE(logon.IsStartupSet("TarnovelMon"));
}

TEST_F(StartupTest, AForeignValueIsNeverTakenOverAndAnUnknownFolderIsNeverOurs) {
    WriteAll(Entry(), "[Desktop Entry]\nType=Application\nExec=/usr/bin/other --flag\n");
    modPingAuto::LogonStart logon = Logon({bin.path().toStdString(), "TarnovelMon"});
    EXPECT_FALSE(logon.IsStartupSet("TarnovelMon"));
    EXPECT_EQ(logon.SaveStartupRegistrySetting(false, "TarnovelMon").failure, "");
    const modPingAuto::StartupChange refused = logon.SaveStartupRegistrySetting(true, "TarnovelMon");
    EXPECT_EQ(refused.failure, "Can't set automatic startup");
    EXPECT_FALSE(refused.registered);
    EXPECT_NE(ReadAll(Entry()).find("Exec=/usr/bin/other --flag"), std::string::npos);
    // An entry the desktop has hidden is off, whatever it runs.
    WriteAll(Entry(), "[Desktop Entry]\nType=Application\nExec=" + Exe() + "\nHidden=true\n");
    EXPECT_FALSE(logon.IsStartupSet("TarnovelMon"));
    // With no folder to name the program, nothing is ours, not even an emptied value.
    QFile::remove(Entry());
    modPingAuto::LogonStart lost = Logon({config.path().toStdString() + "/gone", "TarnovelMon"});
    EXPECT_FALSE(lost.SaveStartupRegistrySetting(true, "TarnovelMon").registered);
    EXPECT_FALSE(QFile::exists(Entry()));
    EXPECT_FALSE(lost.IsStartupSet("TarnovelMon"));
}

TEST_F(StartupTest, ExecQuotingRoundTripsAwkwardPaths) {
    const struct {
        std::string path, exec;
    } cases[] = {{"/opt/tn/TarnovelMon", "/opt/tn/TarnovelMon"},
                 {"/opt/my tn/TarnovelMon", "\"/opt/my tn/TarnovelMon\""},
                 {"/opt/a\"b$c`d\\e/TN", "\"/opt/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e/TN\""},
                 {"/opt/100%/TN", "/opt/100%%/TN"},
                 {" /lead", "\" /lead\""},
                 {"/opt/ünï cødé/TN", "\"/opt/ünï cødé/TN\""}};
    for (const auto& c : cases) {
        EXPECT_EQ(platform::desktop::ExecValueFor(c.path), c.exec) << c.path;
        EXPECT_EQ(platform::desktop::CommandText(c.exec), c.path) << c.exec;
    }
    EXPECT_FALSE(platform::desktop::CanBeCommand(std::string("a\0b", 3)));
    EXPECT_FALSE(platform::desktop::CanBeCommand("\xC3"));
    // What an entry cannot carry is refused, and a value name that cannot be a file name too.
    EXPECT_FALSE(tools.SetKeyValue(kRunKey, HKEY_CURRENT_USER, "TarnovelMon.exe", "bad\x01", REG_SZ));
    EXPECT_FALSE(tools.SetKeyValue(kRunKey, HKEY_CURRENT_USER, "a/b", "/x", REG_SZ));
    EXPECT_FALSE(QFile::exists(Entry()));
    // A write that fails is reported and logged.
    WriteAll(config.path() + "/autostart", "a file where the folder should be");
    EXPECT_FALSE(tools.SetKeyValue(kRunKey, HKEY_CURRENT_USER, "TarnovelMon.exe", "/opt/tn/TN", REG_SZ));
    EXPECT_EQ(log.back(), Logged("SetKeyValue", 902, "Error Setting value of key: " + std::string(kRunKey)));
}

TEST_F(StartupTest, FilesOfTheEarlierVersionReadUnchanged) {
    WriteAll(Entry(),
             "[Desktop Entry]\nType=Application\nName=Tarnovel Monitor\nIcon=tarnovelmon\n"
             "Exec=\"/opt/my tn/TarnovelMon\"\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
    WriteAll(
        config.path() + "/TarnovelMon/registry.ini",
        "; TarnovelMon per-user registry: a [section] per key path, a line per value, name=type:hex bytes.\n"
        "[Software\\Kestrune\\TN%20Data]\nGreeting=1:686900\nCount=4:2a000000\n");
    EXPECT_EQ(Query(kRunKey, "TarnovelMon.exe"), "/opt/my tn/TarnovelMon");
    EXPECT_EQ(Query("software\\KESTRUNE\\tn data", "greeting"), "hi");
    EXPECT_EQ(Query("Software\\Kestrune\\TN Data", "Count"), "42");
    // A new value keeps the old ones; a store that cannot be parsed is never written over.
    EXPECT_TRUE(tools.SetKeyValue("Software\\Kestrune\\TN Data", HKEY_CURRENT_USER, "New", "v", REG_SZ));
    EXPECT_EQ(Query("Software\\Kestrune\\TN Data", "Greeting"), "hi");
    WriteAll(config.path() + "/TarnovelMon/registry.ini", "[Software\\X]\nbroken line\n");
    EXPECT_FALSE(tools.CreateNewKey("Software\\Y", HKEY_CURRENT_USER));
    EXPECT_EQ(ReadAll(config.path() + "/TarnovelMon/registry.ini"), "[Software\\X]\nbroken line\n");
    EXPECT_EQ(log.back(), Logged("CreateNewKey", 901, "Error CreateKey: Software\\Y"));
}

TEST_F(StartupTest, OddSettingsComeBackExactly) {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    // clang-format off
    const std::vector<std::string> odd = {
        " lead and trail ", "a=b;c#d", "\"quoted\" 'single'", "", "@Invalid()", "naïve ☃ 東京", "%25",
        "back\\slash, comma", "tab\t\001a \x7f bell\a"};
    // clang-format on
    {
        platform::QtSettingsStore store;
        for (size_t i = 0; i < odd.size(); ++i)
            store.Write("TarnovelMon", "Settings", "k" + std::to_string(i), odd[i]);
        ASSERT_TRUE(store.Flush());
    }
    platform::QtSettingsStore fresh;
    for (size_t i = 0; i < odd.size(); ++i)
        EXPECT_EQ(fresh.Read("TarnovelMon", "Settings", "k" + std::to_string(i), "none"), odd[i]);
    EXPECT_EQ(fresh.Read("TarnovelMon", "Settings", "absent", "none"), "none");
}

// On a file system with 0 to 3 pages free, a write that fails leaves the old file byte for byte and
// nothing beside it, one that succeeds leaves the whole new file.
TEST_F(StartupTest, ANearlyFullDiskKeepsTheOldFileOrTheWholeNewOne) {
    if (geteuid() != 0 && qEnvironmentVariable("CI") == "true") FAIL() << "needs root to mount a tmpfs";
    if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a small tmpfs";
    const QByteArray root = config.path().toLocal8Bit();
    ASSERT_EQ(mount("tn-test", root.constData(), "tmpfs", 0, "size=256k"), 0);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    // Each writes the text given and answers "" when that failed, or reads; each time as a new run.
    const auto setting = [](const std::string* text) -> std::string {
        platform::QtSettingsStore store;
        if (text == nullptr) return store.Read("TarnovelMon", "Settings", "site0", "");
        store.Write("TarnovelMon", "Settings", "site0", *text);
        return store.Flush() ? *text : "";
    };
    const auto entry = [this](const std::string* text) -> std::string {
        if (text == nullptr) return Query(kRunKey, "TarnovelMon.exe");
        return tools.SetKeyValue(kRunKey, HKEY_CURRENT_USER, "TarnovelMon.exe", *text, REG_SZ) ? *text : "";
    };
    const std::pair<QString, std::function<std::string(const std::string*)>> files[] = {
        {config.path() + "/TarnovelMon/TarnovelMon.ini", setting}, {Entry(), entry}};
    const std::string old = "/old", next = "/" + std::string(5000, 'n');  // one page, then two
    for (const auto& [path, store] : files) {
        for (int free = 0; free <= 3; ++free) {
            SCOPED_TRACE(path.toStdString() + " with pages free: " + std::to_string(free));
            QFile filler(config.path() + "/filler");
            ASSERT_EQ(store(&old), old);
            const std::string before = ReadAll(path);
            const QStringList names = QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden);
            ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            struct statvfs fs {};
            while (statvfs(root.constData(), &fs) == 0 && fs.f_bavail > static_cast<fsblkcnt_t>(free))
                ASSERT_EQ(filler.write(QByteArray(4096, 'f')), 4096);
            const bool written = store(&next) == next;
            EXPECT_EQ(written, free >= 2);
            EXPECT_EQ(QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden), names);
            const std::string after = ReadAll(path);
            EXPECT_TRUE(written ? after.find(next) != std::string::npos : after == before) << after;
            filler.remove();
            EXPECT_EQ(store(nullptr), written ? next : old);
        }
    }
    umount2(root.constData(), MNT_DETACH);
}

TEST(RegistryTools, ReadsByTheRulesOfMissingAndFailedValues) {
    fakes::FakeRegistry fake;
    fake.keys["K"]["text"] = {REG_SZ, std::string("abc\0\0", 5)};
    std::vector<std::string> log;
    modRegistryTools::RegistryTools tools(fake, [&](const std::string& l) { log.push_back(l); });
    std::string value = "kept";
    EXPECT_TRUE(tools.QueryValue("K", HKEY_CURRENT_USER, "missing", value));
    EXPECT_EQ(value, "kept");
    EXPECT_TRUE(tools.QueryValue("K", HKEY_CURRENT_USER, "text", value));
    EXPECT_EQ(value, "abc");
    EXPECT_FALSE(tools.QueryValue("Absent", HKEY_CURRENT_USER, "text", value));
    EXPECT_EQ(value, "abc");  // untouched when the key cannot be opened
    EXPECT_EQ(log.back(), Logged("QueryValue", 904, "Error Opening Key: Absent"));
    fake.queryDataStatus = platform::kRegCantRead;
    value = "old";
    EXPECT_FALSE(tools.QueryValue("K", HKEY_CURRENT_USER, "text", value));
    EXPECT_EQ(value, "");  // a text read that fails empties the value
    EXPECT_EQ(log.back(), Logged("QueryValue", 905, "Error querying value of key: K Name:_text_"));
    EXPECT_EQ(fake.OpenKeyCount(), 0u);
}

}  // namespace
