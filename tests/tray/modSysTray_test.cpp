#include "tray/modSysTray.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "fakes/FakeNotificationArea.h"
#include "tray/frmSysTray.h"

namespace {

using fakes::FakeNotificationArea;
using modSysTray::NOTIFYICONDATA;

// The tip field expected for a text: its first `kept` bytes, one NUL, spaces to 64 bytes.
std::string TipField(const std::string& text, size_t kept) {
    std::string field = text.substr(0, kept);
    field.push_back('\0');
    field.resize(64, ' ');
    return field;
}

std::string TipOf(const NOTIFYICONDATA& record) {
    return std::string(record.szTip, sizeof(record.szTip));
}

NOTIFYICONDATA Make(int32_t hWnd, int32_t hIcon, const std::string& tip) {
    int32_t id = 1;
    int32_t flags = 7;
    return modSysTray::MakeNotifyIconData(hWnd, id, flags, 512, hIcon, tip);
}

struct TipCase {
    const char* name;
    std::string tip;
    size_t kept;  // bytes of the tip before the NUL
};

void PrintTo(const TipCase& c, std::ostream* os) {
    *os << c.name;
}

class RecordTip : public testing::TestWithParam<TipCase> {};

TEST_P(RecordTip, TextThenNulThenSpaces) {
    const TipCase& c = GetParam();
    int32_t hWnd = 0x10005;
    int32_t id = 3;
    int32_t flags = 6;
    int32_t hIcon = 0x104;
    const NOTIFYICONDATA record = modSysTray::MakeNotifyIconData(hWnd, id, flags, 512, hIcon, c.tip);
    EXPECT_EQ(TipOf(record), TipField(c.tip, c.kept));
    EXPECT_EQ(record.cbSize, 88);
    EXPECT_EQ(record.hWnd, 0x10005);
    EXPECT_EQ(record.uID, 3);
    EXPECT_EQ(record.uFlags, 6);
    EXPECT_EQ(record.uCallbackMessage, 512);
    EXPECT_EQ(record.hIcon, 0x104);
}

const std::string k62(62, 'x');
INSTANTIATE_TEST_SUITE_P(
    Tips, RecordTip,
    testing::Values(TipCase{"Ready", "Ready", 5}, TipCase{"Empty", "", 0},
                    TipCase{"SixtyThree", std::string(63, 'a'), 63},
                    TipCase{"SixtyFour", std::string(64, 'b'), 63},
                    TipCase{"Hundred", std::string(100, 'c'), 63},
                    // "é" is two bytes: whole below the limit, dropped where only its first byte would fit
                    TipCase{"TwoByteFits", std::string(61, 'x') + "\xC3\xA9", 63},
                    TipCase{"TwoByteSplit", k62 + "\xC3\xA9", 62},
                    TipCase{"ThreeByteSplit", std::string(61, 'x') + "\xE2\x82\xAC", 61},
                    TipCase{"FourByteSplit", std::string(60, 'x') + "\xF0\x9F\x9A\xA6" + "tail", 60},
                    TipCase{"CutAfterWholeCharacter", std::string(61, 'x') + "\xC3\xA9" + "\xC3\xA9", 63},
                    TipCase{"ManyMultiByte",
                            [] {
                                std::string s;
                                for (int i = 0; i < 30; ++i) s += "\xC3\xBC";  // 60 bytes of "ü"
                                return s + "\xE2\x82\xAC" + "zz";              // then "€" across the limit
                            }(),
                            63}),
    [](const testing::TestParamInfo<TipCase>& info) { return std::string(info.param.name); });

// Each test gets a fake area in place and a fresh record, and leaves the tray window's holders as found.
class TrayIconTest : public testing::Test {
  protected:
    void SetUp() override { std::memset(&modSysTray::nid, 0x5A, sizeof(modSysTray::nid)); }
    void TearDown() override { TheSysTray().Picture4().MouseMove = nullptr; }

    FakeNotificationArea area;
    fakes::ScopedNotificationArea scoped{area};
};

void ExpectRecordEq(const NOTIFYICONDATA& actual, const NOTIFYICONDATA& expected) {
    EXPECT_EQ(actual.cbSize, expected.cbSize);
    EXPECT_EQ(actual.hWnd, expected.hWnd);
    EXPECT_EQ(actual.uID, expected.uID);
    EXPECT_EQ(actual.uFlags, expected.uFlags);
    EXPECT_EQ(actual.uCallbackMessage, expected.uCallbackMessage);
    EXPECT_EQ(actual.hIcon, expected.hIcon);
    EXPECT_EQ(TipOf(actual), TipOf(expected));
}

TEST_F(TrayIconTest, AddSendsTheHoldersWindowAndPictureAndFillsTheRecord) {
    forms::PictureBox& holder = TheSysTray().Picture4();
    ASSERT_TRUE(modSysTray::AddTrayIcon(holder, "Ready", modSysTray::nid));

    ASSERT_EQ(area.calls.size(), 1u);
    const FakeNotificationArea::Call& call = area.calls[0];
    EXPECT_EQ(call.kind, FakeNotificationArea::Kind::kAdd);
    EXPECT_EQ(call.owner, holder.hWnd());
    EXPECT_EQ(call.id, 1u);
    EXPECT_EQ(call.icon, holder.Picture());
    EXPECT_EQ(call.tip, "Ready");
    ExpectRecordEq(modSysTray::nid, Make(holder.hWnd(), holder.Picture(), "Ready"));

    modSysTray::DeleteTrayIcon(holder, modSysTray::nid);
}

TEST_F(TrayIconTest, AddReturnsTheAreasAnswer) {
    forms::PictureBox& holder = TheSysTray().Picture4();
    area.available = false;
    EXPECT_FALSE(modSysTray::AddTrayIcon(holder, "Ready", modSysTray::nid));
    area.available = true;
    EXPECT_TRUE(modSysTray::AddTrayIcon(holder, "Ready", modSysTray::nid));
    EXPECT_FALSE(modSysTray::AddTrayIcon(holder, "Ready", modSysTray::nid)) << "the icon exists already";
    ASSERT_EQ(area.calls.size(), 3u);
    EXPECT_EQ(area.icons.size(), 1u);

    modSysTray::DeleteTrayIcon(holder, modSysTray::nid);
}

TEST_F(TrayIconTest, ModifyReplacesPictureAndTip) {
    frmSysTray& tray = TheSysTray();
    forms::PictureBox& holder = tray.Picture4();
    ASSERT_TRUE(modSysTray::AddTrayIcon(holder, "Ready", modSysTray::nid));

    modSysTray::ModifyTrayIcon(holder.hWnd(), tray.Picture1().Picture(), "example.org 12 ms",
                               modSysTray::nid);

    ASSERT_EQ(area.calls.size(), 2u);
    EXPECT_EQ(area.calls[1].kind, FakeNotificationArea::Kind::kModify);
    EXPECT_TRUE(area.calls[1].answer);
    const auto& shown = area.icons.at({holder.hWnd(), 1u});
    EXPECT_EQ(shown.icon, tray.Picture1().Picture());
    EXPECT_EQ(shown.tip, "example.org 12 ms");
    ExpectRecordEq(modSysTray::nid, Make(holder.hWnd(), tray.Picture1().Picture(), "example.org 12 ms"));

    modSysTray::DeleteTrayIcon(holder, modSysTray::nid);
}

TEST_F(TrayIconTest, ALongTipIsSentCut) {
    forms::PictureBox& holder = TheSysTray().Picture4();
    const std::string tip(80, 't');
    ASSERT_TRUE(modSysTray::AddTrayIcon(holder, tip, modSysTray::nid));
    modSysTray::ModifyTrayIcon(holder.hWnd(), holder.Picture(), tip + "u", modSysTray::nid);
    ASSERT_EQ(area.calls.size(), 2u);
    EXPECT_EQ(area.calls[0].tip, std::string(63, 't'));
    EXPECT_EQ(area.calls[1].tip, std::string(63, 't'));
    EXPECT_EQ(TipOf(modSysTray::nid), TipField(tip, 63));

    modSysTray::DeleteTrayIcon(holder, modSysTray::nid);
}

TEST_F(TrayIconTest, DeleteSendsAnEmptyTipAndIconOne) {
    forms::PictureBox& holder = TheSysTray().Picture4();
    ASSERT_TRUE(modSysTray::AddTrayIcon(holder, "Ready", modSysTray::nid));

    modSysTray::DeleteTrayIcon(holder, modSysTray::nid);

    ASSERT_EQ(area.calls.size(), 2u);
    EXPECT_EQ(area.calls[1].kind, FakeNotificationArea::Kind::kDelete);
    EXPECT_EQ(area.calls[1].owner, holder.hWnd());
    EXPECT_EQ(area.calls[1].id, 1u);
    EXPECT_TRUE(area.icons.empty());
    EXPECT_EQ(TipOf(modSysTray::nid), std::string(1, '\0') + std::string(63, ' '));
    ExpectRecordEq(modSysTray::nid, Make(holder.hWnd(), 1, ""));
}

TEST_F(TrayIconTest, DeletingTwiceOrWithoutAnAddIsSilent) {
    forms::PictureBox& holder = TheSysTray().Picture4();
    forms::PictureBox never(nullptr);
    ASSERT_TRUE(modSysTray::AddTrayIcon(holder, "Ready", modSysTray::nid));

    modSysTray::DeleteTrayIcon(holder, modSysTray::nid);
    modSysTray::DeleteTrayIcon(holder, modSysTray::nid);
    modSysTray::DeleteTrayIcon(never, modSysTray::nid);

    ASSERT_EQ(area.calls.size(), 4u);
    EXPECT_TRUE(area.calls[1].answer);
    EXPECT_FALSE(area.calls[2].answer);
    EXPECT_FALSE(area.calls[3].answer);
    EXPECT_EQ(area.calls[3].owner, never.hWnd());
    ExpectRecordEq(modSysTray::nid, Make(never.hWnd(), 1, ""));
}

TEST_F(TrayIconTest, ModifyWithoutAnIconIsSilent) {
    forms::PictureBox never(nullptr);
    modSysTray::ModifyTrayIcon(never.hWnd(), 0x101, "Ready", modSysTray::nid);
    ASSERT_EQ(area.calls.size(), 1u);
    EXPECT_FALSE(area.calls[0].answer);
    ExpectRecordEq(modSysTray::nid, Make(never.hWnd(), 0x101, "Ready"));
}

TEST_F(TrayIconTest, TheAreaGetsExactlyWhatTheRecordHolds) {
    NOTIFYICONDATA record = Make(0x10007, 0x102, "abc");
    record.uID = 9;
    record.szTip[1] = '\0';  // the tip ends at the first NUL
    ASSERT_TRUE(modSysTray::Shell_NotifyIconA(modSysTray::NIM_ADD, record));
    std::memset(record.szTip, 'z', sizeof(record.szTip));  // no NUL: all 64 bytes are the tip
    EXPECT_TRUE(modSysTray::Shell_NotifyIconA(modSysTray::NIM_MODIFY, record));
    EXPECT_TRUE(modSysTray::Shell_NotifyIconA(modSysTray::NIM_DELETE, record));
    EXPECT_FALSE(modSysTray::Shell_NotifyIconA(7, record));

    ASSERT_EQ(area.calls.size(), 3u);
    EXPECT_EQ(area.calls[0].owner, 0x10007);
    EXPECT_EQ(area.calls[0].id, 9u);
    EXPECT_EQ(area.calls[0].icon, 0x102);
    EXPECT_EQ(area.calls[0].tip, "a");
    EXPECT_EQ(area.calls[1].tip, std::string(64, 'z'));
    EXPECT_EQ(area.calls[2].kind, FakeNotificationArea::Kind::kDelete);
}

struct Delivered {
    int16_t button;
    int16_t shift;
    float x;
    float y;
};

TEST_F(TrayIconTest, AreaEventsReachTheOwningHoldersMouseMove) {
    forms::PictureBox& holder = TheSysTray().Picture4();
    std::vector<Delivered> delivered;
    holder.MouseMove = [&](int16_t button, int16_t shift, float x, float y) {
        delivered.push_back({button, shift, x, y});
    };
    ASSERT_TRUE(modSysTray::AddTrayIcon(holder, "Ready", modSysTray::nid));
    ASSERT_TRUE(area.handler);

    const struct {
        int32_t message;
        float x;
    } cases[] = {{513, 7695.0f}, {515, 7725.0f}, {516, 7740.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        delivered.clear();
        area.handler(holder.hWnd(), 1, c.message);
        ASSERT_EQ(delivered.size(), 1u);
        EXPECT_EQ(delivered[0].button, 0);
        EXPECT_EQ(delivered[0].shift, 0);
        EXPECT_EQ(delivered[0].x, c.x);
        EXPECT_EQ(delivered[0].y, 0.0f);
    }

    modSysTray::DeleteTrayIcon(holder, modSysTray::nid);
}

TEST_F(TrayIconTest, AreaEventsForOtherWindowsGoNowhere) {
    frmSysTray& tray = TheSysTray();
    forms::PictureBox& holder = tray.Picture4();
    int received = 0;
    holder.MouseMove = [&](int16_t, int16_t, float, float) { ++received; };
    forms::PictureBox silent(nullptr);  // a holder without a handler
    ASSERT_TRUE(modSysTray::AddTrayIcon(holder, "Ready", modSysTray::nid));

    area.handler(tray.hWnd(), 1, 513);    // the window, not a picture holder
    area.handler(silent.hWnd(), 1, 513);  // no handler set
    area.handler(0x7FFFFFF0, 1, 513);     // no such window
    EXPECT_EQ(received, 0);
    area.handler(holder.hWnd(), 1, 513);
    EXPECT_EQ(received, 1);

    modSysTray::DeleteTrayIcon(holder, modSysTray::nid);
}

TEST_F(TrayIconTest, EventsFollowTheAreaInUse) {
    forms::PictureBox& holder = TheSysTray().Picture4();
    int received = 0;
    holder.MouseMove = [&](int16_t, int16_t, float, float) { ++received; };
    {
        FakeNotificationArea other;
        fakes::ScopedNotificationArea otherScoped(other);
        ASSERT_TRUE(modSysTray::AddTrayIcon(holder, "Ready", modSysTray::nid));
        ASSERT_TRUE(other.handler);
        other.handler(holder.hWnd(), 1, 513);
        modSysTray::DeleteTrayIcon(holder, modSysTray::nid);
    }
    platform::SetNotificationArea(&area);
    ASSERT_TRUE(modSysTray::AddTrayIcon(holder, "Ready", modSysTray::nid));
    ASSERT_TRUE(area.handler);
    area.handler(holder.hWnd(), 1, 513);
    EXPECT_EQ(received, 2);

    modSysTray::DeleteTrayIcon(holder, modSysTray::nid);
}

}  // namespace
