// The tray icon on Qt's offscreen platform, against the notification area in memory.
#include <gtest/gtest.h>

#include <QTextDocument>
#include <tuple>

#include "fakes/Fakes.h"
#include "platform/forms/Handles.h"
#include "platform/qt/QtNotificationArea.h"
#include "tray/StateIcons.h"
#include "tray/frmSysTray.h"

namespace {

struct Tray {
    fakes::FakeNotificationArea area;
    fakes::FakeDialogs dialogs;
    fakes::FakeHelpViewer help;
    fakes::FakeTrayMenuHost menuHost;
    frmSysTray form{area, {dialogs, help, menuHost}};
};

TEST(modSysTray, RecordCarriesTheHoldersWindowPictureAndTheTipCutAtACharacter) {
    const std::string a61(61, 'a'), a62(62, 'a'), a63(63, 'a'), e = "\xC3\xA9", euro = "\xE2\x82\xAC";
    const std::pair<std::string, std::string> cases[] = {{"Ready", "Ready"}, {a63, a63},
                                                         {a63 + "b", a63},   {a62 + e, a62},
                                                         {a61 + euro, a61},  {a61 + e, a61 + e}};
    for (const auto& [tip, kept] : cases) {
        SCOPED_TRACE(tip.size());
        Tray t;
        const std::pair<int32_t, uint32_t> key{t.form.Picture4().hWnd(), 1};
        ASSERT_TRUE(t.form.AddTrayIcon(tip));
        EXPECT_EQ(t.area.icons[key].icon, t.form.Picture4().Picture());
        EXPECT_EQ(t.area.icons[key].tip, kept);
        t.form.ModifyTrayIcon(t.form.Picture2().Picture(), tip + "!");
        EXPECT_EQ(t.area.icons[key].icon, t.form.Picture2().Picture());
        EXPECT_EQ(t.area.icons[key].tip, tip.size() < 63 ? tip + "!" : kept);
        for (int i = 0; i < 2; ++i) t.form.DeleteTrayIcon();  // the second one has nothing to delete
        EXPECT_TRUE(t.area.icons.empty() && t.dialogs.boxes.empty());
    }
}

struct Owner : tray::TrayOwner {
    int restores = 0, starts = 0, exits = 0;
    bool visible = false;
    void RestoreFromTray() override { ++restores; }
    bool Visible() const override { return visible; }
    void SetVisible(bool v) override { visible = v; }
    void StartFromTray() override { ++starts; }
    void ExitFromTray() override { ++exits; }
    void HistoryFromTray() override {}
    void NotifyFromTray(bool) override {}
    void TrayArrived() override {}
};

// What the main window's tests (TrayEventsAndMenus) leave out: a double click shows a hidden window and
// checks its menu item, a move does nothing, nor does any event for another window.
TEST(frmSysTray, AreaEventsOnItsOwnIconActOnTheOwner) {
    using namespace platform;
    const struct {
        int32_t message;
        bool otherWindow = false, shown = false;  // shown: the window and its menu item's check mark
        int menus = 0;
    } cases[] = {{.message = kWmLButtonDblClk, .shown = true},
                 {.message = kWmRButtonDown, .menus = 1},
                 {.message = kWmMouseMove},
                 {.message = kWmLButtonDown, .otherWindow = true},
                 {.message = kWmRButtonDown, .otherWindow = true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.message << (c.otherWindow ? " other window" : ""));
        Tray t;
        t.dialogs.chooseItem = "mnuRightTest";
        Owner owner;
        t.form.AttachMainWindow(owner);
        EXPECT_EQ(t.menuHost.menu, &t.form.mnuRight());  // for hosts that draw it
        ASSERT_TRUE(t.form.AddTrayIcon("Ready"));
        t.area.handler((c.otherWindow ? t.form.Picture1() : t.form.Picture4()).hWnd(), 1, c.message);
        EXPECT_EQ(std::make_tuple(owner.restores, t.dialogs.menus, owner.starts, owner.visible,
                                  t.form.mnuLeftShow().isChecked()),
                  std::make_tuple(0, c.menus, c.menus, c.shown, c.shown));
    }
}

// Each picture as designed: a black border, the fill, and a black 5 x 5 sign (rows of 5, "#" black)
// from column and row 9 of the 16 x 16 grid; each device pixel takes the colour of its grid cell.
TEST(StateIcons, EachPictureIsItsDesignAtEverySizeAndDensity) {
    ASSERT_TRUE(tray::SaveStateIconPngs(QStringLiteral(TN_SCREENSHOT_DIR)));  // pictures for the review
    const std::tuple<common::StateIcon, QRgb, std::string> designs[] = {
        {common::StateIcon::kGreen, qRgb(0, 255, 0), ".........#...#.#.#...#..."},
        {common::StateIcon::kYellow, qRgb(255, 255, 0), ".....##########.........."},
        {common::StateIcon::kRed, qRgb(255, 0, 0), "#...#.#.#...#...#.#.#...#"},
        {common::StateIcon::kGrey, qRgb(192, 192, 192), "...............#.#.#....."}};
    Tray t;
    for (const auto& [state, fill, sign] : designs) {
        const QIcon icon = forms::IconFromHandle(t.form.Picture(state).Picture());
        for (const int size : {16, 22, 32, 44, 48, 64}) {
            for (const qreal density : {1.0, 2.0}) {
                const QImage image = icon.pixmap(QSize(size, size), density).toImage();
                const int side = static_cast<int>(size * density);
                ASSERT_EQ(image.size(), QSize(side, side));
                int wrong = 0;
                for (int p = 0; p < side * side; ++p) {
                    const int x = p % side * 16 / side, y = p / side * 16 / side;
                    const bool black =
                        x == 0 || y == 0 || x == 15 || y == 15 ||
                        (x >= 9 && y >= 9 && x < 14 && y < 14 && sign[(y - 9) * 5 + x - 9] == '#');
                    wrong += image.pixel(p % side, p / side) != (black ? qRgb(0, 0, 0) : fill);
                }
                EXPECT_EQ(wrong, 0) << sign << ", " << size << " px x" << density;
            }
        }
    }
}

TEST(PlainToolTip, ShowsExactlyTheTipsCharacters) {
    for (const char* tip : {"Ready", "<b>bold</b>", "a < b && c > d", "<html>x</html>", "1 <i>2</i>  3"}) {
        const QString shown = platform::PlainToolTip(tip);
        QTextDocument document;
        document.setHtml(shown);
        EXPECT_EQ(Qt::mightBeRichText(shown) ? document.toPlainText() : shown, QString::fromUtf8(tip)) << tip;
    }
}

}  // namespace
