// The tray icon on Qt's offscreen platform, against the notification area in memory.
#include <gtest/gtest.h>

#include <QDir>
#include <QTextDocument>
#include <set>
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
    frmSysTray form{area, dialogs};
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
        EXPECT_EQ(std::string(t.form.nid.szTip, 64), kept + '\0' + std::string(63 - kept.size(), ' '));
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
    void TrayArrived() override {}
};

TEST(frmSysTray, AreaEventsArriveAsMouseMovesAndActOnTheOwner) {
    using R = std::tuple<int, bool, bool, int, int, int, std::string>;  // restores, visible, checked,
    // menus popped up, starts, exits, tip
    const std::tuple<int32_t, bool, bool, const char*, R> cases[] = {
        // message, other window, visible
        {513, false, false, "", {1, false, false, 0, 0, 0, "Ready"}},
        {515, false, false, "", {0, true, true, 0, 0, 0, "Ready"}},
        {515, false, true, "", {0, false, false, 0, 0, 0, "Ready"}},
        {516, false, false, "", {0, false, false, 1, 0, 0, "Ready"}},
        {518, false, false, "mnuRightTest", {0, false, false, 1, 1, 0, "testing.."}},
        {516, false, false, "mnuRightExit", {0, false, false, 1, 0, 1, "Ready"}},
        {512, false, false, "", {0, false, false, 0, 0, 0, "Ready"}},
        {513, true, false, "", {0, false, false, 0, 0, 0, "Ready"}},
    };
    for (const auto& [message, otherWindow, visibleBefore, choose, after] : cases) {
        SCOPED_TRACE(testing::Message() << message << (otherWindow ? " other window " : " ") << choose);
        Tray t;
        t.dialogs.chooseItem = QString::fromLatin1(choose);
        Owner owner;
        owner.visible = visibleBefore;
        t.form.AttachMainWindow(owner);
        std::vector<float> xs;
        t.form.Picture4().MouseMove = [&, inner = t.form.Picture4().MouseMove](int16_t b, int16_t s, float x,
                                                                               float y) {
            xs.push_back(x);
            inner(b, s, x, y);
        };
        ASSERT_TRUE(t.form.AddTrayIcon("Ready"));
        t.area.handler((otherWindow ? t.form.Picture1() : t.form.Picture4()).hWnd(), 1, message);
        EXPECT_EQ(xs, otherWindow ? std::vector<float>{} : std::vector<float>{message * 15.0f});
        EXPECT_EQ(R(owner.restores, owner.visible, t.form.mnuLeftShow().isChecked(), t.dialogs.menus,
                    owner.starts, owner.exits, t.area.Tip()),
                  after);
    }
}

TEST(StateIcons, EachStateHasItsOwnShapeAtEverySizeAndIsSavedAsPng) {
    const QDir dir(QStringLiteral(TN_SCREENSHOT_DIR));
    for (const QString& old : dir.entryList({QString("tray_*_??.png")})) QFile::remove(dir.filePath(old));
    ASSERT_TRUE(tray::SaveStateIconPngs(dir.path()));
    Tray t;
    forms::PictureBox* pictures[] = {&t.form.Picture1(), &t.form.Picture2(), &t.form.Picture3(),
                                     &t.form.Picture4()};
    for (const int size : {16, 22, 32, 44, 48, 64}) {
        std::vector<QImage> shapes;  // the black pixels of each picture
        for (size_t i = 0; i < 4; ++i) {
            SCOPED_TRACE(testing::Message() << size << " px, picture " << i + 1);
            const tray::StateIcon state = tray::kStateIcons[i];
            const QIcon icon = forms::IconFromHandle(pictures[i]->Picture());
            const QImage image = icon.pixmap(size, size).toImage();
            const QImage drawn = tray::DrawStateIcon(state, size);
            EXPECT_EQ(image.convertToFormat(QImage::Format_ARGB32), drawn);
            // Sharp at twice the density: drawn at the device size, in the design's two colours only.
            const QImage twice = icon.pixmap(QSize(size, size), 2.0).toImage();
            EXPECT_EQ(twice.size(), QSize(2 * size, 2 * size));
            std::set<QRgb> colours;
            for (int y = 0; y < twice.height(); ++y) {
                for (int x = 0; x < twice.width(); ++x) colours.insert(twice.pixel(x, y));
            }
            EXPECT_EQ(colours.size(), 2u);
            EXPECT_EQ(colours.count(qRgb(0, 0, 0)), 1u);
            const QString png =
                dir.filePath(QString("tray_%1_%2.png").arg(tray::StateIconName(state)).arg(size));
            EXPECT_EQ(size % 16 != 0 || size > 32 ? drawn : QImage(png).convertToFormat(drawn.format()),
                      drawn)
                << "png";
            for (const QImage& other : shapes) EXPECT_NE(image.createMaskFromColor(qRgb(0, 0, 0)), other);
            shapes.push_back(image.createMaskFromColor(qRgb(0, 0, 0)));
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
