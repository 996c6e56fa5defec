#include "platform/linux/DesktopEntry.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>

namespace {

using platform::desktop::AutostartEntry;
using platform::desktop::CanBeCommand;
using platform::desktop::CommandText;
using platform::desktop::ExecValueFor;
using platform::desktop::ParseEntry;

struct ExecCase {
    const char* name;
    std::string path;
    std::string exec;  // as it stands in the file
};

void PrintTo(const ExecCase& c, std::ostream* os) {
    *os << c.name;
}

class ExecValue : public testing::TestWithParam<ExecCase> {};

TEST_P(ExecValue, QuotesEscapesAndReadsBack) {
    const ExecCase& c = GetParam();
    EXPECT_EQ(ExecValueFor(c.path), c.exec);
    EXPECT_EQ(CommandText(c.exec), c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ExecValue,
    testing::Values(
        ExecCase{"plain", "/usr/local/bin/TarnovelMon", "/usr/local/bin/TarnovelMon"},
        ExecCase{"blank", "/opt/Tarnovel Monitor/TarnovelMon", R"("/opt/Tarnovel Monitor/TarnovelMon")"},
        // Inside quotes '$' is escaped by a backslash, and that backslash by the string escape.
        ExecCase{"dollar", "/opt/$HOME/TarnovelMon", R"("/opt/\\$HOME/TarnovelMon")"},
        ExecCase{"backslash", R"(/opt/a\b/TarnovelMon)", R"("/opt/a\\\\b/TarnovelMon")"},
        ExecCase{"double quote", R"(/opt/"x"/TarnovelMon)", R"("/opt/\\"x\\"/TarnovelMon")"},
        ExecCase{"backtick", "/opt/`id`/TarnovelMon", R"("/opt/\\`id\\`/TarnovelMon")"},
        ExecCase{"single quote", "/opt/it's/TarnovelMon", R"("/opt/it's/TarnovelMon")"},
        ExecCase{"percent unquoted", "/opt/100%/TarnovelMon", "/opt/100%%/TarnovelMon"},
        ExecCase{"field code lookalike", "/opt/%U %f/TarnovelMon", R"("/opt/%%U %%f/TarnovelMon")"},
        ExecCase{"tab", "/opt/a\tb/TarnovelMon", R"("/opt/a\tb/TarnovelMon")"},
        ExecCase{"line feed", "/opt/a\nb/TarnovelMon", R"("/opt/a\nb/TarnovelMon")"},
        ExecCase{"carriage return", "/opt/a\rb/TarnovelMon", R"("/opt/a\rb/TarnovelMon")"},
        ExecCase{"shell characters", "/opt/a;b|c&d<e>f~g*h?i#j(k)/T", R"("/opt/a;b|c&d<e>f~g*h?i#j(k)/T")"},
        ExecCase{"equals and brackets", "/opt/a=b[c]{d}!/TarnovelMon", "/opt/a=b[c]{d}!/TarnovelMon"},
        ExecCase{"non-ASCII", "/home/Jos\xC3\xA9/\xE6\x9D\xB1\xE4\xBA\xAC/TarnovelMon",
                 "/home/Jos\xC3\xA9/\xE6\x9D\xB1\xE4\xBA\xAC/TarnovelMon"},
        ExecCase{"leading and trailing blanks", " /a/ ", R"(" /a/ ")"},
        ExecCase{"only a quote", "\"", R"("\\"")"}));

// Texts built from the characters that need care, at random but reproducibly, read back exactly.
TEST(ExecValueRoundTrip, RandomTextsOfAwkwardCharacters) {
    const std::vector<std::string> pieces = {"/",
                                             "a",
                                             "Z",
                                             " ",
                                             "\t",
                                             "\n",
                                             "\r",
                                             "\"",
                                             "'",
                                             "\\",
                                             "$",
                                             "`",
                                             "%",
                                             "%%",
                                             "~",
                                             "#",
                                             ";",
                                             "=",
                                             "(",
                                             ")",
                                             "*",
                                             "?",
                                             "<",
                                             ">",
                                             "|",
                                             "&",
                                             "\\s",
                                             "\\n",
                                             "\xC3\xA9",
                                             "\xE2\x82\xAC",
                                             "\xF0\x9F\x98\x80"};
    std::mt19937 random(20240521);
    for (int round = 0; round < 5000; ++round) {
        std::string text;
        const int length = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i) text += pieces[random() % pieces.size()];
        ASSERT_TRUE(CanBeCommand(text));
        ASSERT_EQ(CommandText(ExecValueFor(text)), text) << "exec value: " << ExecValueFor(text);
    }
}

struct CommandCase {
    const char* name;
    std::string exec;
    std::string text;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class ForeignCommand : public testing::TestWithParam<CommandCase> {};

TEST_P(ForeignCommand, ReadsAsItsCommandLine) {
    EXPECT_EQ(CommandText(GetParam().exec), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ForeignCommand,
    testing::Values(CommandCase{"arguments and field code", "/usr/bin/other --tray %U",
                                "/usr/bin/other --tray %U"},
                    CommandCase{"quoted argument", R"(env "A=1 2" prog)", "env A=1 2 prog"},
                    CommandCase{"runs of blanks", "a   b\\s\\sc", "a b c"},
                    CommandCase{"unclosed quote", R"("/opt/a b)", "/opt/a b"},
                    CommandCase{"unknown escape kept", R"("a\\xb")", R"(a\xb)"}, CommandCase{"empty", "", ""},
                    CommandCase{"blanks only", "\\s\\s", ""}, CommandCase{"empty quotes", R"("")", ""}));

struct RepresentableCase {
    const char* name;
    std::string text;
    bool representable;
};

void PrintTo(const RepresentableCase& c, std::ostream* os) {
    *os << c.name;
}

class Representable : public testing::TestWithParam<RepresentableCase> {};

TEST_P(Representable, OnlyWellFormedUtf8WithoutOtherControls) {
    EXPECT_EQ(CanBeCommand(GetParam().text), GetParam().representable);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Representable,
    testing::Values(RepresentableCase{"ASCII", "/usr/bin/x", true}, RepresentableCase{"empty", "", true},
                    RepresentableCase{"tab, LF, CR", "a\tb\nc\rd", true},
                    RepresentableCase{"two to four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", true},
                    RepresentableCase{"highest code point", "\xF4\x8F\xBF\xBF", true},
                    RepresentableCase{"NUL", std::string("a\0b", 3), false},
                    RepresentableCase{"control character",
                                      "a\x01"
                                      "b",
                                      false},
                    RepresentableCase{"escape character", "a\x1b[0m", false},
                    RepresentableCase{"DEL", "a\x7f", false},
                    RepresentableCase{"stray continuation", "a\x80", false},
                    RepresentableCase{"Latin-1 byte", "Jos\xE9", false},
                    RepresentableCase{"overlong slash", "\xC0\xAF", false},
                    RepresentableCase{"surrogate", "\xED\xA0\x80", false},
                    RepresentableCase{"past U+10FFFF", "\xF4\x90\x80\x80", false},
                    RepresentableCase{"truncated sequence", "\xE2\x82", false}));

TEST(AutostartEntry, RunsThePathAtLogon) {
    EXPECT_EQ(AutostartEntry("/opt/Tarnovel Monitor/TarnovelMon"),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Tarnovel Monitor\n"
              "Icon=tarnovelmon\n"
              "Exec=\"/opt/Tarnovel Monitor/TarnovelMon\"\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
}

TEST(AutostartEntry, EmptyPathIsAHiddenEntryWithEmptyExec) {
    const std::string entry = AutostartEntry("");
    EXPECT_NE(entry.find("\nExec=\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nHidden=true\n"), std::string::npos) << entry;
    const auto parsed = ParseEntry(entry);
    EXPECT_TRUE(parsed.hidden);
    EXPECT_TRUE(parsed.hasExec);
    EXPECT_EQ(parsed.exec, "");
}

struct ParseCase {
    const char* name;
    std::string contents;
    bool hasExec;
    std::string exec;
    bool hidden;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

class ParseEntryKeys : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseEntryKeys, ReadsExecAndHiddenOfTheMainGroup) {
    const ParseCase& c = GetParam();
    const auto entry = ParseEntry(c.contents);
    EXPECT_EQ(entry.hasExec, c.hasExec);
    EXPECT_EQ(entry.exec, c.exec);
    EXPECT_EQ(entry.hidden, c.hidden);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ParseEntryKeys,
    testing::Values(
        ParseCase{"written by us", AutostartEntry("/opt/a b/T"), true, R"("/opt/a b/T")", false},
        ParseCase{"blanks around equals", "[Desktop Entry]\nExec = /x/y \nHidden =true\n", true, "/x/y ",
                  true},
        ParseCase{"comments and blank lines", "# c\n\n[Desktop Entry]\n# Exec=/no\n  Exec=/x\n", true, "/x",
                  false},
        ParseCase{
            "other groups ignored",
            "[Desktop Action new]\nExec=/no\n[Desktop Entry]\nExec=/x\n[Other]\nExec=/no2\nHidden=true\n",
            true, "/x", false},
        ParseCase{"keys before any group ignored", "Exec=/no\n[Desktop Entry]\nName=n\n", false, "", false},
        ParseCase{"last of a repeated key", "[Desktop Entry]\nExec=/first\nExec=/second\n", true, "/second",
                  false},
        ParseCase{"CRLF line ends", "[Desktop Entry]\r\nExec=/x\r\nHidden=true\r\n", true, "/x", true},
        ParseCase{"Hidden=1", "[Desktop Entry]\nExec=/x\nHidden=1\n", true, "/x", true},
        ParseCase{"Hidden=false", "[Desktop Entry]\nExec=/x\nHidden=false\n", true, "/x", false},
        ParseCase{"key case matters", "[Desktop Entry]\nexec=/x\nhidden=true\n", false, "", false},
        ParseCase{"no final line feed", "[Desktop Entry]\nExec=/x", true, "/x", false},
        ParseCase{"empty file", "", false, "", false}));

}  // namespace
