#include "platform/linux/LinuxRegistry.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <ostream>
#include <string>

#include "StartupTestSupport.h"
#include "platform/linux/AtomicFile.h"

namespace {

using namespace platform;

// Until a test sets its own, the config home is a path below a file: nothing can be made there, not
// even by root, so a test that forgot its temporary config home cannot touch the user's files.
class NoRealConfigHome : public testing::Environment {
  public:
    void SetUp() override { ::setenv("XDG_CONFIG_HOME", "/dev/null/tn-startup-tests", 1); }
};
[[maybe_unused]] const testing::Environment* const kNoRealConfigHome =
    testing::AddGlobalTestEnvironment(new NoRealConfigHome);
using namespace startup_test;

constexpr const char* kRun = LinuxRegistry::kRunKeyPath;
constexpr uint32_t kAll = 0x3F;

std::string Sz(const std::string& text) {
    return text + std::string(1, '\0');
}

class LinuxRegistryTest : public testing::Test {
  protected:
    // Opens (or creates) a key below HKEY_CURRENT_USER; fails the test when that does not work.
    RegKey Open(const std::string& path, bool create = false, uint32_t access = kAll) {
        RegKey key = 0;
        const int32_t status = create ? registry.CreateKey(kHKeyCurrentUser, path, access, key)
                                      : registry.OpenKey(kHKeyCurrentUser, path, access, key);
        EXPECT_EQ(status, kRegSuccess) << path;
        return key;
    }

    int32_t Set(const std::string& path, const std::string& name, uint32_t type, const std::string& data) {
        const RegKey key = Open(path);
        const int32_t status = registry.SetValue(key, name, type, data);
        registry.CloseKey(key);
        return status;
    }

    int32_t Query(const std::string& path, const std::string& name, uint32_t& type, std::string& data) {
        const RegKey key = Open(path);
        const int32_t status = registry.QueryValue(key, name, &type, &data);
        registry.CloseKey(key);
        return status;
    }

    void TearDown() override { EXPECT_EQ(registry.OpenKeyCount(), 0u); }

    TempConfigHome home;
    LinuxRegistry registry;
};

// ---- Where things are kept

struct LocationCase {
    const char* name;
    const char* xdg;  // nullptr: unset
    const char* home;
    std::string configHome;
};

void PrintTo(const LocationCase& c, std::ostream* os) {
    *os << c.name;
}

class Locations : public testing::TestWithParam<LocationCase> {};

TEST_P(Locations, FollowTheXdgVariableOrHome) {
    const LocationCase& c = GetParam();
    ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(LinuxRegistry::ConfigHome(), c.configHome);
    EXPECT_EQ(LinuxRegistry::AutostartFolder(), c.configHome + "/autostart");
    EXPECT_EQ(LinuxRegistry::StoreFile(), c.configHome + "/TarnovelMon/registry.ini");
}

INSTANTIATE_TEST_SUITE_P(Environment, Locations,
                         testing::Values(LocationCase{"absolute XDG", "/x/conf", "/home/u", "/x/conf"},
                                         LocationCase{"unset XDG", nullptr, "/home/u", "/home/u/.config"},
                                         LocationCase{"empty XDG", "", "/home/u", "/home/u/.config"},
                                         LocationCase{"relative XDG", "conf", "/home/u", "/home/u/.config"}));

// ---- The Run key: desktop entries in the autostart folder

TEST_F(LinuxRegistryTest, RunValueIsADesktopEntryMadeWithItsFolders) {
    ASSERT_FALSE(Exists(home.path()));
    ASSERT_EQ(Set(kRun, "TarnovelMon.exe", kRegSz, Sz("/opt/Tarnovel Monitor/TarnovelMon")), kRegSuccess);

    EXPECT_EQ(ModeOf(home.path()), 0700u);
    EXPECT_EQ(ModeOf(home.autostart()), 0700u);
    EXPECT_EQ(ModeOf(home.entry("TarnovelMon.exe")), 0644u);
    EXPECT_EQ(ReadFile(home.entry("TarnovelMon.exe")),
              "[Desktop Entry]\nType=Application\nName=Tarnovel Monitor\nIcon=tarnovelmon\n"
              "Exec=\"/opt/Tarnovel Monitor/TarnovelMon\"\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
    EXPECT_EQ(Listing(home.autostart()), std::vector<std::string>{"TarnovelMon.exe.desktop"});
    EXPECT_FALSE(Exists(home.storeFile())) << "a text in the Run key needs no store";

    uint32_t type = 0;
    std::string data;
    ASSERT_EQ(Query(kRun, "TarnovelMon.exe", type, data), kRegSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(data, Sz("/opt/Tarnovel Monitor/TarnovelMon"));
}

TEST_F(LinuxRegistryTest, RunKeyExistsAlwaysAndInAnyCase) {
    for (const std::string& path :
         {std::string(kRun), std::string("SOFTWARE\\microsoft\\Windows\\currentversion\\RUN"),
          std::string("Software"), std::string("Software\\Microsoft\\Windows"), std::string()}) {
        RegKey key = 0;
        EXPECT_EQ(registry.OpenKey(kHKeyCurrentUser, path, kAll, key), kRegSuccess) << path;
        registry.CloseKey(key);
    }
    EXPECT_FALSE(Exists(home.path())) << "opening writes nothing";
    ASSERT_EQ(Set("software\\microsoft\\windows\\currentversion\\run", "x", kRegSz, Sz("/bin/x")),
              kRegSuccess);
    EXPECT_TRUE(Exists(home.entry("x")));
}

TEST_F(LinuxRegistryTest, MissingEntryOrFolderIsNoValue) {
    uint32_t type = 77;
    std::string data = "untouched";
    EXPECT_EQ(Query(kRun, "TarnovelMon.exe", type, data), kRegFileNotFound);
    ASSERT_EQ(::mkdir(home.path().c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(home.autostart().c_str(), 0700), 0);
    EXPECT_EQ(Query(kRun, "TarnovelMon.exe", type, data), kRegFileNotFound);
    EXPECT_EQ(type, 77u);
    EXPECT_EQ(data, "untouched");
}

struct EmptyCase {
    const char* name;
    std::string data;
};

void PrintTo(const EmptyCase& c, std::ostream* os) {
    *os << c.name;
}

class EmptiedValue : public LinuxRegistryTest, public testing::WithParamInterface<EmptyCase> {};

TEST_P(EmptiedValue, IsAHiddenEntryThatReadsAsOneNul) {
    ASSERT_EQ(Set(kRun, "TarnovelMon.exe", kRegSz, GetParam().data), kRegSuccess);
    const std::string entry = ReadFile(home.entry("TarnovelMon.exe"));
    EXPECT_NE(entry.find("\nExec=\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nHidden=true\n"), std::string::npos) << entry;
    uint32_t type = 0;
    std::string data;
    ASSERT_EQ(Query(kRun, "TarnovelMon.exe", type, data), kRegSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(data, std::string(1, '\0'));
}

INSTANTIATE_TEST_SUITE_P(Data, EmptiedValue,
                         testing::Values(EmptyCase{"one NUL", std::string(1, '\0')},
                                         EmptyCase{"no bytes", ""},
                                         EmptyCase{"several NULs", std::string(3, '\0')}));

struct ForeignCase {
    const char* name;
    std::string contents;
    std::string reads;  // without its NUL
};

void PrintTo(const ForeignCase& c, std::ostream* os) {
    *os << c.name;
}

class ForeignEntry : public LinuxRegistryTest, public testing::WithParamInterface<ForeignCase> {};

TEST_P(ForeignEntry, ReadsAsItsCommandLineOrAsEmptied) {
    ASSERT_EQ(MakeFolders(home.autostart(), 0700), 0);
    WriteFile(home.entry("TarnovelMon.exe"), GetParam().contents);
    uint32_t type = 0;
    std::string data;
    ASSERT_EQ(Query(kRun, "TarnovelMon.exe", type, data), kRegSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(data, Sz(GetParam().reads));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ForeignEntry,
    testing::Values(
        ForeignCase{"command line",
                    "[Desktop Entry]\nType=Application\nName=Other\nExec=/usr/bin/other --tray %U\n",
                    "/usr/bin/other --tray %U"},
        ForeignCase{"single character", "[Desktop Entry]\nExec=x\n", "x"},
        ForeignCase{"hidden with a command", "[Desktop Entry]\nExec=/usr/bin/other\nHidden=true\n", ""},
        ForeignCase{"no Exec", "[Desktop Entry]\nType=Application\nName=Other\n", ""},
        ForeignCase{"not an entry at all", "just some text\n", ""}));

struct RefusedCase {
    const char* name;
    std::string valueName;
    std::string data;
    int32_t status;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusedRunValue : public LinuxRegistryTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedRunValue, WritesNothingAnywhere) {
    const RefusedCase& c = GetParam();
    EXPECT_EQ(Set(kRun, c.valueName, kRegSz, c.data), c.status);
    EXPECT_TRUE(Listing(home.autostart()).empty());
    EXPECT_FALSE(Exists(home.root() + "/evil.desktop"));
    EXPECT_FALSE(Exists(home.storeFile()));
}

INSTANTIATE_TEST_SUITE_P(
    Values, RefusedRunValue,
    testing::Values(RefusedCase{"embedded NUL", "T", std::string("/a\0b\0", 5), kRegInvalidData},
                    RefusedCase{"control character", "T",
                                Sz("/a\x01"
                                   "b"),
                                kRegInvalidData},
                    RefusedCase{"not UTF-8", "T", Sz("/home/Jos\xE9/T"), kRegInvalidData},
                    RefusedCase{"empty name", "", Sz("/a"), kRegInvalidParameter},
                    RefusedCase{"name with a slash", "../../evil", Sz("/a"), kRegInvalidParameter},
                    RefusedCase{"name too long for a file", std::string(250, 'n'), Sz("/a"),
                                kRegInvalidParameter}));

TEST_F(LinuxRegistryTest, LongestEntryNameIsWritten) {
    const std::string name(255 - 8, 'n');
    ASSERT_EQ(Set(kRun, name, kRegSz, Sz("/a/T")), kRegSuccess);
    EXPECT_EQ(Listing(home.autostart()), std::vector<std::string>{name + ".desktop"});
}

TEST_F(LinuxRegistryTest, EntryIsReplacedWholeNotRewrittenInPlace) {
    ASSERT_EQ(Set(kRun, "T", kRegSz, Sz("/old/T")), kRegSuccess);
    const std::string link = home.root() + "/old-entry";
    ASSERT_EQ(::link(home.entry("T").c_str(), link.c_str()), 0);
    ASSERT_EQ(Set(kRun, "T", kRegSz, Sz("/new/T")), kRegSuccess);
    EXPECT_NE(ReadFile(link).find("Exec=/old/T\n"), std::string::npos) << "the old file was written into";
    EXPECT_NE(ReadFile(home.entry("T")).find("Exec=/new/T\n"), std::string::npos);
    EXPECT_EQ(Listing(home.autostart()), std::vector<std::string>{"T.desktop"})
        << "temporary file left behind";
}

TEST_F(LinuxRegistryTest, FileWhereTheAutostartFolderShouldBeFailsTheWrite) {
    ASSERT_EQ(MakeFolders(home.path(), 0700), 0);
    WriteFile(home.autostart(), "not a folder");
    const int32_t status = Set(kRun, "T", kRegSz, Sz("/a/T"));
    EXPECT_NE(status, kRegSuccess);
    EXPECT_EQ(ReadFile(home.autostart()), "not a folder");
    uint32_t type = 0;
    std::string data;
    EXPECT_EQ(Query(kRun, "T", type, data), kRegFileNotFound);
}

// ---- Other keys and types: the store file

TEST_F(LinuxRegistryTest, CreatingMakesTheKeyAndTheKeysAboveIt) {
    RegKey key = 0;
    EXPECT_EQ(registry.OpenKey(kHKeyCurrentUser, "Software\\Tarnovel\\Deep", kAll, key), kRegFileNotFound);
    registry.CloseKey(Open("Software\\Tarnovel\\Deep", true));
    EXPECT_EQ(ModeOf(home.storeFile()), 0600u);
    LinuxRegistry other;  // nothing is kept in memory between calls
    for (const char* path : {"Software\\Tarnovel", "Software\\Tarnovel\\Deep", "software\\TARNOVEL\\deep"}) {
        EXPECT_EQ(other.OpenKey(kHKeyCurrentUser, path, kAll, key), kRegSuccess) << path;
        other.CloseKey(key);
    }
    EXPECT_EQ(other.OpenKey(kHKeyCurrentUser, "Software\\Tarnovel\\Other", kAll, key), kRegFileNotFound);
}

TEST_F(LinuxRegistryTest, CreatingAnExistingKeyKeepsItsValues) {
    registry.CloseKey(Open("Software\\Tarnovel", true));
    ASSERT_EQ(Set("Software\\Tarnovel", "v", kRegDword, std::string("\x2a\0\0\0", 4)), kRegSuccess);
    registry.CloseKey(Open("Software\\Tarnovel", true));
    uint32_t type = 0;
    std::string data;
    ASSERT_EQ(Query("Software\\Tarnovel", "v", type, data), kRegSuccess);
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(data, std::string("\x2a\0\0\0", 4));
}

struct StoredCase {
    const char* name;
    std::string valueName;
    uint32_t type;
    std::string data;
};

void PrintTo(const StoredCase& c, std::ostream* os) {
    *os << c.name;
}

class StoredValue : public LinuxRegistryTest, public testing::WithParamInterface<StoredCase> {};

TEST_P(StoredValue, ReadsBackByteForByteAfterALaterStart) {
    const StoredCase& c = GetParam();
    const std::string path = "Software\\Odd key = [x]; #%\\Sub";
    registry.CloseKey(Open(path, true));
    ASSERT_EQ(Set(path, "neighbour", kRegSz, Sz("stays")), kRegSuccess);
    ASSERT_EQ(Set(path, c.valueName, c.type, c.data), kRegSuccess);

    LinuxRegistry later;
    RegKey key = 0;
    ASSERT_EQ(later.OpenKey(kHKeyCurrentUser, path, kAll, key), kRegSuccess);
    uint32_t type = 0;
    std::string data;
    EXPECT_EQ(later.QueryValue(key, c.valueName, &type, &data), kRegSuccess);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(data, c.data);
    EXPECT_EQ(later.QueryValue(key, "NEIGHBOUR", &type, &data), kRegSuccess) << "names compare without case";
    EXPECT_EQ(data, Sz("stays"));
    later.CloseKey(key);
}

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredValue,
    testing::Values(StoredCase{"text", "Name", kRegSz, Sz("some text")},
                    StoredCase{"integer", "Count", kRegDword, std::string("\xff\xff\xff\x7f", 4)},
                    StoredCase{"every byte", "Blob", kRegBinary, AllBytes()},
                    StoredCase{"empty data", "Nothing", kRegBinary, ""},
                    StoredCase{"default value", "", kRegSz, Sz("default")},
                    StoredCase{"awkward name", " a=b [c]; #d %41\n\t\\e ", kRegSz, Sz("x")},
                    StoredCase{"non-ASCII name",
                               "Gr\xC3\xB6\xC3\x9F"
                               "e",
                               kRegSz, Sz("\xE2\x82\xAC")}));

TEST_F(LinuxRegistryTest, RunValueOfAnotherTypeLivesInTheStoreAndReplacesTheEntry) {
    ASSERT_EQ(Set(kRun, "T", kRegSz, Sz("/a/T")), kRegSuccess);
    ASSERT_EQ(Set(kRun, "T", kRegDword, std::string("\1\0\0\0", 4)), kRegSuccess);
    EXPECT_FALSE(Exists(home.entry("T")));
    uint32_t type = 0;
    std::string data;
    ASSERT_EQ(Query(kRun, "T", type, data), kRegSuccess);
    EXPECT_EQ(type, kRegDword);

    ASSERT_EQ(Set(kRun, "T", kRegSz, Sz("/b/T")), kRegSuccess);
    ASSERT_EQ(Query(kRun, "T", type, data), kRegSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(data, Sz("/b/T"));
    EXPECT_EQ(ReadFile(home.storeFile()).find("T="), std::string::npos) << "the stored integer is gone";
}

TEST_F(LinuxRegistryTest, StoreIsReplacedWholeNotRewrittenInPlace) {
    registry.CloseKey(Open("Software\\Tarnovel", true));
    ASSERT_EQ(Set("Software\\Tarnovel", "v", kRegSz, Sz("old")), kRegSuccess);
    const std::string before = ReadFile(home.storeFile());
    const std::string link = home.root() + "/old-store";
    ASSERT_EQ(::link(home.storeFile().c_str(), link.c_str()), 0);
    ASSERT_EQ(Set("Software\\Tarnovel", "v", kRegSz, Sz("new")), kRegSuccess);
    EXPECT_EQ(ReadFile(link), before) << "the old file was written into";
    EXPECT_NE(ReadFile(home.storeFile()), before);
    EXPECT_EQ(Listing(home.storeFolder()), std::vector<std::string>{"registry.ini"})
        << "temporary file left behind";
}

TEST_F(LinuxRegistryTest, StoreThatCannotBeReadIsNeverWrittenOver) {
    ASSERT_EQ(MakeFolders(home.storeFolder(), 0700), 0);
    const std::string garbage = "[Software\\Kept]\nthis line is not a value\n";
    WriteFile(home.storeFile(), garbage);
    RegKey key = 0;
    EXPECT_EQ(registry.CreateKey(kHKeyCurrentUser, "Software\\New", kAll, key), kRegBadDb);
    EXPECT_EQ(registry.OpenKey(kHKeyCurrentUser, "Software\\Kept", kAll, key), kRegBadDb);
    EXPECT_EQ(Set("Software", "v", kRegDword, std::string(4, '\0')), kRegBadDb);
    EXPECT_EQ(ReadFile(home.storeFile()), garbage);
    // The Run key's texts do not depend on the store.
    EXPECT_EQ(Set(kRun, "T", kRegSz, Sz("/a/T")), kRegSuccess);
    uint32_t type = 0;
    std::string data;
    EXPECT_EQ(Query(kRun, "T", type, data), kRegSuccess);
    EXPECT_EQ(ReadFile(home.storeFile()), garbage);
}

TEST_F(LinuxRegistryTest, FileWhereTheStoreFolderShouldBeFailsTheWrite) {
    ASSERT_EQ(MakeFolders(home.path(), 0700), 0);
    WriteFile(home.storeFolder(), "not a folder");
    RegKey key = 0;
    EXPECT_NE(registry.CreateKey(kHKeyCurrentUser, "Software\\Tarnovel", kAll, key), kRegSuccess);
    EXPECT_NE(Set("Software", "v", kRegSz, Sz("x")), kRegSuccess);
    EXPECT_EQ(ReadFile(home.storeFolder()), "not a folder");
}

// The store and the entry live in folders the user cannot write to: the write fails with a status and
// the old file stays whole, with no temporary file left behind.
TEST_F(LinuxRegistryTest, UnwritableFoldersFailCleanlyAndKeepTheOldFiles) {
    registry.CloseKey(Open("Software\\Tarnovel", true));
    ASSERT_EQ(Set("Software\\Tarnovel", "v", kRegSz, Sz("old")), kRegSuccess);
    ASSERT_EQ(Set(kRun, "T", kRegSz, Sz("/old/T")), kRegSuccess);
    OpenToOthers(home.root());
    ASSERT_EQ(::chmod(home.storeFolder().c_str(), 0555), 0);
    ASSERT_EQ(::chmod(home.autostart().c_str(), 0555), 0);
    const std::string store = ReadFile(home.storeFile());
    const std::string entry = ReadFile(home.entry("T"));

    const ChildOutcome outcome = RunInChild([] {
        LinuxRegistry child;
        RegKey key = 0;
        if (child.OpenKey(kHKeyCurrentUser, "Software\\Tarnovel", kAll, key) != kRegSuccess) return 1;
        const int32_t storeStatus = child.SetValue(key, "v", kRegSz, Sz("new"));
        child.CloseKey(key);
        if (child.OpenKey(kHKeyCurrentUser, kRun, kAll, key) != kRegSuccess) return 2;
        const int32_t entryStatus = child.SetValue(key, "T", kRegSz, Sz("/new/T"));
        child.CloseKey(key);
        if (storeStatus != kRegAccessDenied) return 3;
        if (entryStatus != kRegAccessDenied) return 4;
        return 0;
    });
    if (!outcome.ran) GTEST_SKIP() << outcome.why;
    EXPECT_EQ(outcome.exitCode, 0) << "1, 2: opening failed; 3: the store write; 4: the entry write";
    EXPECT_EQ(ReadFile(home.storeFile()), store);
    EXPECT_EQ(ReadFile(home.entry("T")), entry);
    EXPECT_EQ(Listing(home.storeFolder()), std::vector<std::string>{"registry.ini"});
    EXPECT_EQ(Listing(home.autostart()), std::vector<std::string>{"T.desktop"});
}

// A write that fails part way (here: the file size limit, which binds root too) leaves the old file.
TEST_F(LinuxRegistryTest, WriteFailingPartWayKeepsTheOldStore) {
    registry.CloseKey(Open("Software\\Tarnovel", true));
    ASSERT_EQ(Set("Software\\Tarnovel", "v", kRegSz, Sz("old")), kRegSuccess);
    const std::string store = ReadFile(home.storeFile());
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        LinuxRegistry child;
        RegKey key = 0;
        if (child.OpenKey(kHKeyCurrentUser, "Software\\Tarnovel", kAll, key) != kRegSuccess) ::_exit(1);
        const int32_t status = child.SetValue(key, "v", kRegBinary, std::string(4096, 'x'));
        ::_exit(status == kRegCantWrite ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(home.storeFile()), store);
    EXPECT_EQ(Listing(home.storeFolder()), std::vector<std::string>{"registry.ini"});
}

// ---- Handles, roots and rights

TEST_F(LinuxRegistryTest, OtherRootsAndUnknownHandlesAreRefused) {
    RegKey key = 0;
    EXPECT_EQ(registry.OpenKey(kHKeyLocalMachine, "Software", kAll, key), kRegAccessDenied);
    EXPECT_EQ(registry.CreateKey(kHKeyLocalMachine, "Software\\T", kAll, key), kRegAccessDenied);
    EXPECT_EQ(registry.OpenKey(kHKeyUsers, "", kAll, key), kRegAccessDenied);
    EXPECT_EQ(registry.OpenKey(0x1234, "Software", kAll, key), kRegInvalidHandle);
    EXPECT_EQ(registry.SetValue(0x1234, "v", kRegSz, Sz("x")), kRegInvalidHandle);
    EXPECT_EQ(registry.QueryValue(0x1234, "v", nullptr, nullptr), kRegInvalidHandle);
    EXPECT_EQ(registry.CloseKey(0x1234), kRegInvalidHandle);
    const RegKey open = Open("Software");
    EXPECT_EQ(registry.CloseKey(open), kRegSuccess);
    EXPECT_EQ(registry.CloseKey(open), kRegInvalidHandle) << "closed twice";
    EXPECT_FALSE(Exists(home.path()));
}

TEST_F(LinuxRegistryTest, HandleRightsAreEnforced) {
    const RegKey readOnly = Open(kRun, false, kKeyQueryValue);
    EXPECT_EQ(registry.SetValue(readOnly, "T", kRegSz, Sz("/a/T")), kRegAccessDenied);
    registry.CloseKey(readOnly);
    EXPECT_FALSE(Exists(home.entry("T")));
    ASSERT_EQ(Set(kRun, "T", kRegSz, Sz("/a/T")), kRegSuccess);
    const RegKey writeOnly = Open(kRun, false, kKeySetValue);
    uint32_t type = 0;
    EXPECT_EQ(registry.QueryValue(writeOnly, "T", &type, nullptr), kRegAccessDenied);
    registry.CloseKey(writeOnly);
}

TEST_F(LinuxRegistryTest, KeysOpenRelativeToAnOpenKey) {
    const RegKey software = Open("Software");
    RegKey run = 0;
    ASSERT_EQ(registry.OpenKey(software, "Microsoft\\Windows\\CurrentVersion\\Run", kAll, run), kRegSuccess);
    EXPECT_EQ(registry.SetValue(run, "T", kRegSz, Sz("/a/T")), kRegSuccess);
    EXPECT_TRUE(Exists(home.entry("T")));
    RegKey made = 0;
    ASSERT_EQ(registry.CreateKey(software, "Tarnovel", kAll, made), kRegSuccess);
    registry.CloseKey(made);
    registry.CloseKey(run);
    registry.CloseKey(software);
    registry.CloseKey(Open("Software\\Tarnovel"));
}

TEST_F(LinuxRegistryTest, MalformedKeyPathsAreRefused) {
    for (const std::string& path :
         {std::string("Software\\\\T"), std::string("\\Software"), std::string("Software\\"),
          std::string("Soft\0ware", 9), "Software\\" + std::string(256, 'k')}) {
        RegKey key = 0;
        EXPECT_EQ(registry.CreateKey(kHKeyCurrentUser, path, kAll, key), kRegInvalidParameter) << path;
    }
    EXPECT_FALSE(Exists(home.storeFile()));
}

}  // namespace
