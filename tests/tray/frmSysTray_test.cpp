#include "tray/frmSysTray.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <set>

#include "platform/forms/Handles.h"

namespace {

bool AnyVisibleWindowTitled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == title) return true;
    }
    return false;
}

TEST(frmSysTray, FirstReferenceToAPictureLoadsTheWindowHidden) {
    frmSysTray form;
    EXPECT_FALSE(form.IsLoaded());
    const int32_t handle = form.Picture4().hWnd();
    EXPECT_TRUE(form.IsLoaded());
    EXPECT_NE(handle, 0);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Picture4().isVisible());
    EXPECT_FALSE(AnyVisibleWindowTitled(QStringLiteral("System Tray")));
    EXPECT_EQ(form.Caption(), QStringLiteral("System Tray"));
    EXPECT_EQ(form.objectName(), QStringLiteral("frmSysTray"));
}

TEST(frmSysTray, TheProgramsTrayWindowIsOneAndStaysHidden) {
    frmSysTray& tray = TheSysTray();
    EXPECT_EQ(&tray, &TheSysTray());
    tray.Picture4();
    EXPECT_TRUE(tray.IsLoaded());
    EXPECT_FALSE(tray.isVisible());
    EXPECT_FALSE(AnyVisibleWindowTitled(QStringLiteral("System Tray")));
}

// The fill colour at the centre of the handle's icon, drawn at 16 pixels.
QRgb CentreOf(int32_t handle) {
    const QImage image = forms::IconFromHandle(handle).pixmap(16, 16).toImage();
    return image.pixel(image.width() / 2, image.height() / 2) | 0xFF000000u;
}

TEST(frmSysTray, PicturesHoldTheFourStateIconsUnderStableHandles) {
    frmSysTray first;
    frmSysTray& second = TheSysTray();
    forms::PictureBox* pictures[] = {&first.Picture1(), &first.Picture2(), &first.Picture3(),
                                     &first.Picture4()};
    forms::PictureBox* again[] = {&second.Picture1(), &second.Picture2(), &second.Picture3(),
                                  &second.Picture4()};
    const QRgb fills[] = {qRgb(0, 255, 0), qRgb(255, 255, 0), qRgb(255, 0, 0), qRgb(192, 192, 192)};

    std::set<int32_t> handles;
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i + 1);
        const int32_t handle = pictures[i]->Picture();
        EXPECT_NE(handle, 0);
        EXPECT_EQ(handle, again[i]->Picture()) << "the same handle in every tray window";
        EXPECT_EQ(handle, pictures[i]->Picture()) << "the same handle on every reference";
        EXPECT_EQ(pictures[i]->objectName(), QStringLiteral("Picture%1").arg(i + 1));
        EXPECT_EQ(CentreOf(handle), fills[i]);
        handles.insert(handle);
    }
    EXPECT_EQ(handles.size(), 4u);
}

TEST(frmSysTray, MenusCarryTheirItems) {
    frmSysTray& tray = TheSysTray();
    struct Item {
        QAction* action;
        const char* name;
        const char* text;
        bool checkable;
    };
    const struct {
        QMenu* menu;
        const char* name;
        const char* title;
        std::vector<Item> items;
    } menus[] = {
        {&tray.mnuRight(),
         "mnuRight",
         "Right",
         {{&tray.mnuRightTest(), "mnuRightTest", "&Test", false},
          {&tray.mnuRightExit(), "mnuRightExit", "&Exit", false}}},
        {&tray.mnuLeft(),
         "mnuLeft",
         "Left",
         {{&tray.mnuLeftShow(), "mnuLeftShow", "Show form", true},
          {&tray.mnuLeftExit(), "mnuLeftExit", "Exit", false}}},
    };
    for (const auto& m : menus) {
        SCOPED_TRACE(m.name);
        EXPECT_EQ(m.menu->objectName(), QString::fromLatin1(m.name));
        EXPECT_EQ(m.menu->title(), QString::fromLatin1(m.title));
        const QList<QAction*> actions = m.menu->actions();
        ASSERT_EQ(actions.size(), static_cast<qsizetype>(m.items.size()));
        for (size_t i = 0; i < m.items.size(); ++i) {
            const Item& item = m.items[i];
            EXPECT_EQ(actions[static_cast<qsizetype>(i)], item.action);
            EXPECT_EQ(item.action->objectName(), QString::fromLatin1(item.name));
            EXPECT_EQ(item.action->text(), QString::fromUtf8(item.text));
            EXPECT_EQ(item.action->isCheckable(), item.checkable);
        }
    }
}

}  // namespace
