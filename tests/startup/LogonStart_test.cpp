#include "startup/LogonStart.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <filesystem>
#include <ostream>
#include <string>

#include "StartupTestSupport.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeRegistry.h"
#include "platform/linux/AtomicFile.h"
#include "platform/linux/DesktopEntry.h"
#include "platform/linux/LinuxRegistry.h"
#include "startup/modRegistryTools.h"

namespace {

using namespace modPingAuto;
using platform::LinuxRegistry;
using startup_test::Exists;
using startup_test::ReadFile;
using startup_test::TempConfigHome;
using startup_test::WriteFile;

const std::string kTitle = "TarnovelMon";
const std::string kValueName = "TarnovelMon.exe";
const std::string kNul(1, '\0');

// The logon tests: a temporary config home, the program in a folder of the scratch tree, message
// boxes answered in memory.
class LogonTest : public testing::Test {
  protected:
    void SetUp() override {
        platform::SetRegistry(nullptr);
        UseFolder(home.root() + "/program");
    }
    void TearDown() override { SetProgramLocation(std::nullopt); }

    // Puts the program (named kTitle) in folder, which is made when missing.
    void UseFolder(const std::string& folder, const std::string& exeName = kTitle) {
        ASSERT_EQ(platform::MakeFolders(folder, 0755), 0);
        SetProgramLocation(ProgramLocation{folder, exeName});
    }

    std::string ExpectedPath(const std::string& exeName = kTitle) const {
        return GetShortName(CurrentProgramLocation().folder + "/" + exeName);
    }

    std::string Entry() const { return home.entry(kValueName); }

    // The Run value as the registry reads it: nullopt when missing; else its text, with trailing NULs.
    std::optional<std::string> RunValue() {
        LinuxRegistry registry;
        platform::RegKey key = 0;
        if (registry.OpenKey(platform::kHKeyCurrentUser, kRunKey, 0x3F, key) != 0) return std::nullopt;
        std::string data;
        const int32_t status = registry.QueryValue(key, kValueName, nullptr, &data);
        registry.CloseKey(key);
        if (status != 0) return std::nullopt;
        return data;
    }

    void WriteRunValue(const std::string& text) {
        ASSERT_TRUE(modRegistryTools::SetKeyValue(kRunKey, modRegistryTools::HKEY_CURRENT_USER, kValueName,
                                                  text, modRegistryTools::REG_SZ));
    }

    TempConfigHome home;
    fakes::FakeDialogs dialogs;
    fakes::ScopedDialogs scopedDialogs{dialogs};
};

void ExpectTheMessage(const fakes::FakeDialogs& dialogs) {
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Can't set automatic startup"));
    EXPECT_EQ(dialogs.boxes[0].style, forms::kMsgOkOnly);
    EXPECT_EQ(dialogs.boxes[0].title, QStringLiteral("TarnovelMon"));
}

// ---- GetShortName

TEST_F(LogonTest, ShortNameIsTheCanonicalPathAndMakesNoFile) {
    const std::string real = home.root() + "/real folder";
    ASSERT_EQ(platform::MakeFolders(real + "/sub", 0755), 0);
    const std::string link = home.root() + "/link";
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    const std::string canonicalRoot = std::filesystem::canonical(home.root()).string();

    EXPECT_EQ(GetShortName(link + "/TarnovelMon"), canonicalRoot + "/real folder/TarnovelMon");
    EXPECT_EQ(GetShortName(real + "/sub/../TarnovelMon"), canonicalRoot + "/real folder/TarnovelMon");
    EXPECT_EQ(GetShortName(real + "//sub/./TarnovelMon"), canonicalRoot + "/real folder/sub/TarnovelMon");
    EXPECT_FALSE(Exists(real + "/TarnovelMon")) << "no file is made";
    EXPECT_EQ(GetShortName("/TarnovelMon"), "/TarnovelMon");
    EXPECT_EQ(GetShortName(home.root() + "/missing/TarnovelMon"), "");
    EXPECT_EQ(GetShortName(""), "");
}

TEST(ProgramLocationDefault, IsTheApplicationsFolderAndExecutable) {
    SetProgramLocation(std::nullopt);
    const ProgramLocation location = CurrentProgramLocation();
    EXPECT_EQ(location.folder, QCoreApplication::applicationDirPath().toStdString());
    EXPECT_EQ(location.exeName, QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString());
    EXPECT_EQ(location.exeName, "startup_tests");
}

// ---- The decision table

enum class State { Missing, Emptied, SingleCharacter, Ours, Foreign };

const char* Name(State s) {
    switch (s) {
        case State::Missing:
            return "missing";
        case State::Emptied:
            return "emptied";
        case State::SingleCharacter:
            return "single character";
        case State::Ours:
            return "ours";
        case State::Foreign:
            return "foreign";
    }
    return "?";
}

enum class After { Unchanged, Ours, Emptied };

struct Row {
    State state;
    bool enable;
    After after;
    bool message;
};

void PrintTo(const Row& r, std::ostream* os) {
    *os << Name(r.state) << (r.enable ? ", on" : ", off");
}

class DecisionTable : public LogonTest, public testing::WithParamInterface<Row> {
  protected:
    void Arrange(State state) {
        switch (state) {
            case State::Missing:
                break;
            case State::Emptied:
                WriteRunValue("");
                break;
            case State::SingleCharacter:
                WriteRunValue("x");
                break;
            case State::Ours:
                WriteRunValue(ExpectedPath());
                break;
            case State::Foreign:
                WriteRunValue("/usr/bin/other --tray");
                break;
        }
    }
};

TEST_P(DecisionTable, ActsByStateAndRequest) {
    const Row& row = GetParam();
    Arrange(row.state);
    const bool entryBefore = Exists(Entry());
    const std::string before = entryBefore ? ReadFile(Entry()) : "";
    EXPECT_EQ(IsStartupSet(kTitle), row.state == State::Ours);

    SaveStartupRegistrySetting(row.enable, kTitle);

    if (row.message) {
        ExpectTheMessage(dialogs);
    } else {
        EXPECT_TRUE(dialogs.boxes.empty());
    }
    switch (row.after) {
        case After::Unchanged:
            EXPECT_EQ(Exists(Entry()), entryBefore);
            EXPECT_EQ(entryBefore ? ReadFile(Entry()) : "", before);
            break;
        case After::Ours:
            EXPECT_EQ(RunValue(), ExpectedPath() + kNul);
            EXPECT_EQ(ReadFile(Entry()), platform::desktop::AutostartEntry(ExpectedPath()));
            break;
        case After::Emptied:
            EXPECT_EQ(RunValue(), kNul);
            EXPECT_EQ(ReadFile(Entry()), platform::desktop::AutostartEntry(""));
            break;
    }
    EXPECT_EQ(IsStartupSet(kTitle),
              row.after == After::Ours || (row.after == After::Unchanged && row.state == State::Ours));
}

INSTANTIATE_TEST_SUITE_P(Rows, DecisionTable,
                         testing::Values(Row{State::Ours, true, After::Unchanged, false},
                                         Row{State::Ours, false, After::Emptied, false},
                                         Row{State::Missing, true, After::Ours, false},
                                         Row{State::Missing, false, After::Unchanged, false},
                                         Row{State::Emptied, true, After::Ours, false},
                                         Row{State::Emptied, false, After::Unchanged, false},
                                         Row{State::SingleCharacter, true, After::Ours, false},
                                         Row{State::SingleCharacter, false, After::Unchanged, false},
                                         Row{State::Foreign, true, After::Unchanged, true},
                                         Row{State::Foreign, false, After::Unchanged, false}));

// ---- Edge cases

TEST_F(LogonTest, OnOffOnWritesPathEmptyPath) {
    EXPECT_FALSE(IsStartupSet(kTitle));
    SaveStartupRegistrySetting(true, kTitle);
    EXPECT_EQ(RunValue(), ExpectedPath() + kNul);
    EXPECT_TRUE(IsStartupSet(kTitle));
    SaveStartupRegistrySetting(false, kTitle);
    EXPECT_EQ(RunValue(), kNul) << "emptied, not deleted";
    EXPECT_TRUE(Exists(Entry()));
    EXPECT_FALSE(IsStartupSet(kTitle));
    SaveStartupRegistrySetting(true, kTitle);
    EXPECT_EQ(RunValue(), ExpectedPath() + kNul);
    EXPECT_TRUE(IsStartupSet(kTitle));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(LogonTest, MissingAutostartFolderIsMadeWhenTurnedOn) {
    ASSERT_FALSE(Exists(home.autostart()));
    EXPECT_FALSE(IsStartupSet(kTitle));
    EXPECT_FALSE(Exists(home.autostart())) << "reading makes nothing";
    SaveStartupRegistrySetting(true, kTitle);
    EXPECT_TRUE(IsStartupSet(kTitle));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(LogonTest, MovedProgramFolderMakesTheValueForeign) {
    SaveStartupRegistrySetting(true, kTitle);
    const std::string oldPath = ExpectedPath();
    const std::string entry = ReadFile(Entry());
    UseFolder(home.root() + "/moved");
    EXPECT_FALSE(IsStartupSet(kTitle));
    SaveStartupRegistrySetting(true, kTitle);
    ExpectTheMessage(dialogs);
    SaveStartupRegistrySetting(false, kTitle);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(ReadFile(Entry()), entry);
    EXPECT_EQ(RunValue(), oldPath + kNul);
}

TEST_F(LogonTest, ForeignEntryWrittenByAnotherProgramIsLeftAlone) {
    ASSERT_EQ(platform::MakeFolders(home.autostart(), 0700), 0);
    const std::string foreign = "[Desktop Entry]\nType=Application\nName=Other\nExec=/usr/bin/other %U\n";
    WriteFile(Entry(), foreign);
    EXPECT_FALSE(IsStartupSet(kTitle));
    SaveStartupRegistrySetting(true, kTitle);
    ExpectTheMessage(dialogs);
    SaveStartupRegistrySetting(false, kTitle);
    EXPECT_EQ(ReadFile(Entry()), foreign);
}

TEST_F(LogonTest, ForeignValueIsReadOnceMoreAfterMakingSureOfTheRunKey) {
    WriteRunValue("/usr/bin/other");
    std::vector<std::string> lines;
    modRegistryTools::SetDebugLogHook([&](const std::string& line) { lines.push_back(line); });
    std::string value;
    EXPECT_FALSE(get_WindowsNT_startup(ExpectedPath(), kValueName, value));
    modRegistryTools::SetDebugLogHook(nullptr);
    EXPECT_EQ(value, "/usr/bin/other");
    EXPECT_EQ(lines, std::vector<std::string>(2, "get_WindowsNT_startup: try creating the Run key"));
}

TEST_F(LogonTest, ExecutableNamedOtherThanTheTitle) {
    UseFolder(CurrentProgramLocation().folder, "tarnovel-bin");
    SaveStartupRegistrySetting(true, kTitle);
    EXPECT_EQ(RunValue(), ExpectedPath("tarnovel-bin") + kNul)
        << "the executable's own path, under the title's name";
    // IsStartupSet looks for the title-named file, which is another path: off, and no file is made for it.
    EXPECT_FALSE(IsStartupSet(kTitle));
    EXPECT_FALSE(Exists(CurrentProgramLocation().folder + "/" + kTitle));
    // The registration keeps recognising its own value.
    SaveStartupRegistrySetting(true, kTitle);
    EXPECT_TRUE(dialogs.boxes.empty());
    SaveStartupRegistrySetting(false, kTitle);
    EXPECT_EQ(RunValue(), kNul);
}

// A folder that cannot be resolved gives no path to compare: a missing value must not read as ours,
// or the program would start hidden on every start; and "on" has nothing to register.
TEST_F(LogonTest, UnresolvableProgramFolderIsNeverOurs) {
    SetProgramLocation(ProgramLocation{home.root() + "/gone", kTitle});
    EXPECT_FALSE(IsStartupSet(kTitle));
    SaveStartupRegistrySetting(true, kTitle);
    EXPECT_FALSE(Exists(Entry()));
    EXPECT_TRUE(dialogs.boxes.empty());
    SetProgramLocation(ProgramLocation{"", kTitle});
    EXPECT_FALSE(IsStartupSet(kTitle));
    SaveStartupRegistrySetting(true, kTitle);
    EXPECT_FALSE(Exists(Entry()));
}

TEST_F(LogonTest, FailedWriteShowsNothingAndStaysOff) {
    ASSERT_EQ(platform::MakeFolders(home.path(), 0700), 0);
    WriteFile(home.autostart(), "a file where the folder should be");
    SaveStartupRegistrySetting(true, kTitle);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(IsStartupSet(kTitle));
}

// Where the Run key itself is missing (possible in a registry, not in the autostart folder): off, and
// turning on writes nothing and shows nothing.
TEST_F(LogonTest, MissingRunKeyReadsOffAndTurningOnDoesNothing) {
    fakes::FakeRegistry registry;
    registry.createStatus = platform::kRegAccessDenied;
    fakes::ScopedRegistry scoped(registry);
    EXPECT_FALSE(IsStartupSet(kTitle));
    SaveStartupRegistrySetting(true, kTitle);
    EXPECT_EQ(registry.sets, 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(registry.keys.count(kRunKey), 0u);
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

// ---- Odd program folders: the path goes through Exec and back exactly, and the entry is valid

struct FolderCase {
    const char* name;
    std::string folder;  // below the scratch folder
};

void PrintTo(const FolderCase& c, std::ostream* os) {
    *os << c.name;
}

class OddFolder : public LogonTest, public testing::WithParamInterface<FolderCase> {};

TEST_P(OddFolder, RoundTripsThroughExecAndPassesTheValidator) {
    UseFolder(home.root() + "/" + GetParam().folder);
    SaveStartupRegistrySetting(true, kTitle);
    ASSERT_TRUE(Exists(Entry()));
    EXPECT_EQ(RunValue(), ExpectedPath() + kNul);
    EXPECT_TRUE(IsStartupSet(kTitle));
    const auto entry = platform::desktop::ParseEntry(ReadFile(Entry()));
    EXPECT_EQ(platform::desktop::CommandText(entry.exec), ExpectedPath());

    const std::string validator = startup_test::FindProgram("desktop-file-validate");
    if (validator.empty()) {
        if (startup_test::SkipsAllowed())
            GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
        FAIL() << "desktop-file-validate is not installed (desktop-file-utils)";
    }
    const auto result = startup_test::Run({validator, Entry()});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(result.output, "") << "warnings or hints";

    SaveStartupRegistrySetting(false, kTitle);
    const auto emptied = startup_test::Run({validator, Entry()});
    EXPECT_EQ(emptied.exitCode, 0) << emptied.output;
    EXPECT_EQ(emptied.output, "") << "warnings or hints";
}

INSTANTIATE_TEST_SUITE_P(
    Folders, OddFolder,
    testing::Values(FolderCase{"plain", "bin"}, FolderCase{"blanks", "Tarnovel Monitor 2"},
                    FolderCase{"double quotes", "say \"hi\""}, FolderCase{"single quote", "it's"},
                    FolderCase{"dollar", "$HOME and ${X}"}, FolderCase{"backslash", "a\\b\\\\c"},
                    FolderCase{"percent", "100% %U %%"}, FolderCase{"backtick", "`id`"},
                    FolderCase{"shell characters", "a;b|c&d<e>f~g*h?i#j(k)"}, FolderCase{"tab", "a\tb"},
                    FolderCase{"line feed", "a\nb"},
                    FolderCase{"non-ASCII", "Jos\xC3\xA9 \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80"},
                    FolderCase{"everything", " \"'$`\\%\t;#~ \xC3\xA9 "}));

}  // namespace
