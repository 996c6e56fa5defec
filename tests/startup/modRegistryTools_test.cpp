#include "startup/modRegistryTools.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "StartupTestSupport.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeRegistry.h"
#include "platform/linux/AtomicFile.h"
#include "platform/linux/LinuxRegistry.h"

namespace {

using namespace modRegistryTools;
using platform::LinuxRegistry;
using startup_test::TempConfigHome;

const std::string kKey = "Software\\Tarnovel\\Tests";
const std::string kNul(1, '\0');

// Collects the debug log's lines for the life of the object.
class DebugLines {
  public:
    DebugLines() {
        SetDebugLogHook([this](const std::string& line) { lines.push_back(line); });
    }
    ~DebugLines() { SetDebugLogHook(nullptr); }
    std::vector<std::string> lines;
};

// ---- TrimNulls

struct TrimCase {
    const char* name;
    std::string text;
    std::string trimmed;
};

void PrintTo(const TrimCase& c, std::ostream* os) {
    *os << c.name;
}

class TrimNullsCase : public testing::TestWithParam<TrimCase> {};

TEST_P(TrimNullsCase, DropsTrailingNulsUnlessThatLeavesNothing) {
    EXPECT_EQ(TrimNulls(GetParam().text), GetParam().trimmed);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TrimNullsCase,
    testing::Values(TrimCase{"one NUL after text", std::string("abc\0", 4), "abc"},
                    TrimCase{"several NULs", std::string("abc\0\0\0", 6), "abc"},
                    TrimCase{"no NUL", "abc", "abc"},
                    TrimCase{"inner NUL kept", std::string("a\0b\0", 4), std::string("a\0b", 3)},
                    TrimCase{"leading NUL kept", std::string("\0ab", 3), std::string("\0ab", 3)},
                    TrimCase{"single character", "x", "x"}, TrimCase{"only one NUL", kNul, kNul},
                    TrimCase{"only NULs", std::string(3, '\0'), std::string(3, '\0')},
                    TrimCase{"empty", "", ""}));

// ---- The wrappers over the Linux registry, in a temporary config home

class RegistryToolsTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(CreateNewKey(kKey, HKEY_CURRENT_USER)); }
    void TearDown() override {
        EXPECT_EQ(system.OpenKeyCount(), 0u) << "a key was left open";
        EXPECT_TRUE(dialogs.boxes.empty()) << "registry failures are never shown";
    }

    // The value's type and bytes as stored.
    bool Raw(const std::string& name, uint32_t& type, std::string& data) {
        platform::RegKey key = 0;
        if (system.OpenKey(HKEY_CURRENT_USER, kKey, kKeyAccess, key) != 0) return false;
        const bool found = system.QueryValue(key, name, &type, &data) == 0;
        system.CloseKey(key);
        return found;
    }

    TempConfigHome home;
    LinuxRegistry system;
    struct Installed {
        explicit Installed(platform::Registry& r) { platform::SetRegistry(&r); }
        ~Installed() { platform::SetRegistry(nullptr); }
    } installed{system};
    fakes::FakeDialogs dialogs;
    fakes::ScopedDialogs scopedDialogs{dialogs};
};

TEST_F(RegistryToolsTest, CreatingAnExistingKeyKeepsItsValues) {
    ASSERT_TRUE(SetKeyValue(kKey, HKEY_CURRENT_USER, "v", "kept", REG_SZ));
    EXPECT_TRUE(CreateNewKey(kKey, HKEY_CURRENT_USER));
    std::string value;
    ASSERT_TRUE(QueryValue(kKey, HKEY_CURRENT_USER, "v", value));
    EXPECT_EQ(value, "kept");
}

TEST_F(RegistryToolsTest, MissingValueReadsAsSuccessAndLeavesTheTextAsItWas) {
    std::string value = "as it was";
    EXPECT_TRUE(QueryValue(kKey, HKEY_CURRENT_USER, "missing", value));
    EXPECT_EQ(value, "as it was");
    value = "";
    EXPECT_TRUE(QueryValue(kKey, HKEY_CURRENT_USER, "missing", value));
    EXPECT_EQ(value, "");
}

struct TextCase {
    const char* name;
    std::string written;
    std::string stored;
    std::string read;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.name;
}

class TextValue : public RegistryToolsTest, public testing::WithParamInterface<TextCase> {};

TEST_P(TextValue, IsStoredWithOneNulAndReadWithoutIt) {
    const TextCase& c = GetParam();
    for (const std::string& key : {kKey, std::string(LinuxRegistry::kRunKeyPath)}) {
        ASSERT_TRUE(SetKeyValue(key, HKEY_CURRENT_USER, "T", c.written, REG_SZ)) << key;
        platform::RegKey handle = 0;
        ASSERT_EQ(system.OpenKey(HKEY_CURRENT_USER, key, kKeyAccess, handle), 0);
        uint32_t type = 0;
        std::string data;
        EXPECT_EQ(system.QueryValue(handle, "T", &type, &data), 0);
        system.CloseKey(handle);
        EXPECT_EQ(type, REG_SZ);
        EXPECT_EQ(data, c.stored) << key;
        std::string value = "previous";
        ASSERT_TRUE(QueryValue(key, HKEY_CURRENT_USER, "T", value));
        EXPECT_EQ(value, c.read) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, TextValue,
                         testing::Values(TextCase{"text", "C:\\x y", std::string("C:\\x y\0", 7), "C:\\x y"},
                                         // The emptied value: one NUL, read back as a one-character text.
                                         TextCase{"empty", "", kNul, kNul},
                                         TextCase{"single character", "x", std::string("x\0", 2), "x"}));

struct DwordCase {
    const char* name;
    std::string text;
    std::string bytes;
    std::string readBack;
};

void PrintTo(const DwordCase& c, std::ostream* os) {
    *os << c.name;
}

class DwordValue : public RegistryToolsTest, public testing::WithParamInterface<DwordCase> {};

TEST_P(DwordValue, IsFourBytesLeastSignificantFirst) {
    const DwordCase& c = GetParam();
    ASSERT_TRUE(SetKeyValue(kKey, HKEY_CURRENT_USER, "D", c.text, REG_DWORD));
    uint32_t type = 0;
    std::string data;
    ASSERT_TRUE(Raw("D", type, data));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(data, c.bytes);
    std::string value;
    ASSERT_TRUE(QueryValue(kKey, HKEY_CURRENT_USER, "D", value));
    EXPECT_EQ(value, c.readBack);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, DwordValue,
    testing::Values(DwordCase{"small", "42", std::string("\x2a\0\0\0", 4), "42"},
                    DwordCase{"minus one", "-1", "\xff\xff\xff\xff", "-1"},
                    DwordCase{"largest", "2147483647", "\xff\xff\xff\x7f", "2147483647"},
                    DwordCase{"smallest", "-2147483648", std::string("\0\0\0\x80", 4), "-2147483648"},
                    DwordCase{"half rounds to even", "2.5", std::string("\x02\0\0\0", 4), "2"},
                    DwordCase{"blanks and plus sign", " +7 ", std::string("\x07\0\0\0", 4), "7"}));

TEST_F(RegistryToolsTest, TextThatIsNoNumberIsNotWrittenAsDword) {
    DebugLines log;
    for (const std::string text : {"abc", "", "12abc", "2147483648", "1e10", "nan", "inf"}) {
        EXPECT_FALSE(SetKeyValue(kKey, HKEY_CURRENT_USER, "D", text, REG_DWORD)) << text;
        uint32_t type = 0;
        std::string data;
        EXPECT_FALSE(Raw("D", type, data)) << text;
    }
    EXPECT_EQ(log.lines.size(), 7u);
}

TEST_F(RegistryToolsTest, OtherTypesWriteNothingAndReportSuccess) {
    platform::RegKey key = 0;
    ASSERT_EQ(system.OpenKey(HKEY_CURRENT_USER, kKey, kKeyAccess, key), 0);
    EXPECT_EQ(SetValueEx(key, "B", platform::kRegBinary, Variant(std::string("bytes"))), 0);
    system.CloseKey(key);
    EXPECT_TRUE(SetKeyValue(kKey, HKEY_CURRENT_USER, "B", "bytes", platform::kRegBinary));
    uint32_t type = 0;
    std::string data;
    EXPECT_FALSE(Raw("B", type, data));
}

TEST_F(RegistryToolsTest, ValueOfAnotherTypeReadsAsMinusOneAndUntouched) {
    platform::RegKey key = 0;
    ASSERT_EQ(system.OpenKey(HKEY_CURRENT_USER, kKey, kKeyAccess, key), 0);
    ASSERT_EQ(system.SetValue(key, "B", platform::kRegBinary, "bytes"), 0);
    Variant value(std::string("untouched"));
    EXPECT_EQ(QueryValueEx(key, "B", value), -1);
    EXPECT_EQ(std::get<std::string>(value), "untouched");
    system.CloseKey(key);

    DebugLines log;
    std::string text = "untouched";
    EXPECT_FALSE(QueryValue(kKey, HKEY_CURRENT_USER, "B", text));
    EXPECT_EQ(text, "untouched");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("905"), std::string::npos);
}

TEST_F(RegistryToolsTest, DwordReadsIntoAnIntegerOrItsText) {
    ASSERT_TRUE(SetKeyValue(kKey, HKEY_CURRENT_USER, "D", "-5", REG_DWORD));
    platform::RegKey key = 0;
    ASSERT_EQ(system.OpenKey(HKEY_CURRENT_USER, kKey, kKeyAccess, key), 0);
    Variant number(int32_t{0});
    EXPECT_EQ(QueryValueEx(key, "D", number), 0);
    EXPECT_EQ(number, Variant(int32_t{-5}));
    Variant text(std::string("x"));
    EXPECT_EQ(QueryValueEx(key, "D", text), 0);
    EXPECT_EQ(text, Variant(std::string("-5")));
    // Written through SetValueEx from an integer too.
    EXPECT_EQ(SetValueEx(key, "E", REG_DWORD, Variant(int32_t{258})), 0);
    EXPECT_EQ(SetValueEx(key, "S", REG_SZ, Variant(int32_t{258})), 0);
    system.CloseKey(key);
    uint32_t type = 0;
    std::string data;
    ASSERT_TRUE(Raw("E", type, data));
    EXPECT_EQ(data, std::string("\x02\x01\0\0", 4));
    ASSERT_TRUE(Raw("S", type, data));
    EXPECT_EQ(data, std::string("258\0", 4));
}

TEST_F(RegistryToolsTest, RootTheUserMayNotWriteFailsQuietly) {
    DebugLines log;
    std::string value = "untouched";
    EXPECT_FALSE(SetKeyValue("Software\\T", platform::kHKeyLocalMachine, "v", "x", REG_SZ));
    EXPECT_FALSE(QueryValue("Software\\T", platform::kHKeyLocalMachine, "v", value));
    EXPECT_FALSE(CreateNewKey("Software\\T", platform::kHKeyLocalMachine));
    EXPECT_EQ(value, "untouched");
    EXPECT_EQ(log.lines.size(), 3u);
}

TEST_F(RegistryToolsTest, UnwritableRunFolderMakesSetKeyValueAnswerFalse) {
    ASSERT_EQ(platform::MakeFolders(home.path(), 0700), 0);
    startup_test::WriteFile(home.autostart(), "a file where the folder should be");
    DebugLines log;
    EXPECT_FALSE(SetKeyValue(LinuxRegistry::kRunKeyPath, HKEY_CURRENT_USER, "T", "/a/T", REG_SZ));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("Error Setting value of key: "), std::string::npos) << log.lines[0];
}

// ---- Error ids and texts, and keys closed on every path, over the registry in memory

struct ErrorCase {
    const char* name;
    std::function<void(fakes::FakeRegistry&)> arrange;
    std::function<bool()> act;
    std::string line;  // the one line logged
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.name;
}

class ErrorLogged : public testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorLogged, AnswersFalseLogsOneLineAndClosesTheKey) {
    fakes::FakeRegistry registry;
    registry.keys[kKey]["v"] = {REG_SZ, "abc" + kNul};
    GetParam().arrange(registry);
    fakes::ScopedRegistry scoped(registry);
    fakes::FakeDialogs dialogs;
    fakes::ScopedDialogs scopedDialogs(dialogs);
    DebugLines log;

    EXPECT_FALSE(GetParam().act());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], GetParam().line);
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
    for (const uint32_t access : registry.accessAsked) EXPECT_EQ(access, 0x3Fu);
    EXPECT_TRUE(dialogs.boxes.empty());
}

std::string Untouched() {
    return "untouched";
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ErrorLogged,
    testing::Values(
        ErrorCase{
            "create", [](fakes::FakeRegistry& r) { r.createStatus = platform::kRegAccessDenied; },
            [] { return CreateNewKey(kKey, HKEY_CURRENT_USER); },
            "modRegistryTools.CreateNewKey: error 901 (level 1, run-time error 0): Error CreateKey: " + kKey},
        ErrorCase{"set, key not opened", [](fakes::FakeRegistry& r) { r.keys.erase(kKey); },
                  [] { return SetKeyValue(kKey, HKEY_CURRENT_USER, "v", "x", REG_SZ); },
                  "modRegistryTools.SetKeyvalue: error 902 (level 1, run-time error 0): Error Opening key: " +
                      kKey},
        ErrorCase{"set, value not written",
                  [](fakes::FakeRegistry& r) { r.setStatus = platform::kRegAccessDenied; },
                  [] { return SetKeyValue(kKey, HKEY_CURRENT_USER, "v", "x", REG_SZ); },
                  "modRegistryTools.SetKeyValue: error 902 (level 1, run-time error 0): Error Setting value "
                  "of key: " +
                      kKey},
        ErrorCase{
            "query, key not opened", [](fakes::FakeRegistry& r) { r.keys.erase(kKey); },
            [] {
                std::string value = Untouched();
                return QueryValue(kKey, HKEY_CURRENT_USER, "v", value) || value != Untouched();
            },
            "modRegistryTools.QueryValue: error 904 (level 1, run-time error 0): Error Opening Key: " + kKey},
        ErrorCase{"query, value not read",
                  [](fakes::FakeRegistry& r) { r.queryDataStatus = platform::kRegCantRead; },
                  [] {
                      std::string value = Untouched();
                      return QueryValue(kKey, HKEY_CURRENT_USER, "v", value) || value != Untouched();
                  },
                  "modRegistryTools.QueryValue: error 905 (level 1, run-time error 0): Error querying value "
                  "of key: " +
                      kKey + " Name:_v_"},
        ErrorCase{"query, integer longer than four bytes",
                  [](fakes::FakeRegistry& r) {
                      r.keys[kKey]["v"] = {REG_DWORD, "12345"};
                  },
                  [] {
                      std::string value = Untouched();
                      return QueryValue(kKey, HKEY_CURRENT_USER, "v", value) || value != Untouched();
                  },
                  "modRegistryTools.QueryValue: error 905 (level 1, run-time error 0): Error querying value "
                  "of key: " +
                      kKey + " Name:_v_"}));

TEST(RegistryToolsInMemory, KeysAreClosedAfterEverySuccessfulOperation) {
    fakes::FakeRegistry registry;
    fakes::ScopedRegistry scoped(registry);
    std::string value;
    EXPECT_TRUE(CreateNewKey(kKey, HKEY_CURRENT_USER));
    EXPECT_TRUE(SetKeyValue(kKey, HKEY_CURRENT_USER, "v", "x", REG_SZ));
    EXPECT_TRUE(QueryValue(kKey, HKEY_CURRENT_USER, "v", value));
    EXPECT_TRUE(QueryValue(kKey, HKEY_CURRENT_USER, "missing", value));
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
    EXPECT_EQ(registry.accessAsked, std::vector<uint32_t>(4, 0x3F));
}

TEST(RegistryToolsInMemory, TextThatFailsToReadBecomesEmpty) {
    fakes::FakeRegistry registry;
    registry.keys[kKey]["v"] = {REG_SZ, "abc" + kNul};
    registry.queryDataStatus = platform::kRegCantRead;
    fakes::ScopedRegistry scoped(registry);
    platform::RegKey key = 0;
    ASSERT_EQ(registry.OpenKey(HKEY_CURRENT_USER, kKey, kKeyAccess, key), 0);
    Variant value(std::string("before"));
    EXPECT_EQ(QueryValueEx(key, "v", value), platform::kRegCantRead);
    EXPECT_EQ(value, Variant(std::string()));
    registry.CloseKey(key);
}

TEST(RegistryToolsInMemory, ValueThatCannotBeLookedUpReadsAsSuccessUnchanged) {
    fakes::FakeRegistry registry;
    registry.keys[kKey]["v"] = {REG_SZ, "abc" + kNul};
    registry.queryStatus = platform::kRegAccessDenied;
    fakes::ScopedRegistry scoped(registry);
    DebugLines log;
    std::string value = "before";
    EXPECT_TRUE(QueryValue(kKey, HKEY_CURRENT_USER, "v", value));
    EXPECT_EQ(value, "before");
    ASSERT_EQ(log.lines.size(), 1u) << "the lookup failure goes to the debug log only";
    EXPECT_EQ(log.lines[0].find("error"), std::string::npos) << log.lines[0];
}

}  // namespace
