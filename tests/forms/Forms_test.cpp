#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QTest>
#include <string>
#include <vector>

#include "fakes/FakeDialogs.h"
#include "fakes/ProgramEnds.h"
#include "platform/forms/Handles.h"
#include "platform/forms/Services.h"

namespace {

// A window that records its events.
class TestForm : public forms::Form {
  public:
    TestForm() : forms::Form("TestForm") {}
    std::vector<std::string> log;
    int16_t cancelQuery = 0;
    int16_t cancelUnload = 0;
    forms::TextBox* box = nullptr;

  protected:
    void BuildControls() override {
        log.push_back("build");
        box = new forms::TextBox(this);
        forms::PlaceTwips(box, 150, 150, 1500, 300);
    }
    void Form_Load() override { log.push_back("load"); }
    void Form_Activate() override { log.push_back("activate"); }
    void Form_QueryUnload(int16_t& cancel, int16_t mode) override {
        log.push_back("query " + std::to_string(mode));
        cancel = cancelQuery;
    }
    void Form_Unload(int16_t& cancel) override {
        log.push_back("unload");
        cancel = cancelUnload;
    }
};

TEST(Form, LoadsOnceWithoutShowing) {
    TestForm f;
    EXPECT_FALSE(f.IsLoaded());
    f.Load();
    f.Load();
    EXPECT_TRUE(f.IsLoaded());
    EXPECT_FALSE(f.Visible());
    EXPECT_EQ(f.log, (std::vector<std::string>{"build", "load"}));
}

TEST(Form, ShowingOrMakingVisibleLoadsFirst) {
    TestForm shown;
    shown.ShowForm();
    EXPECT_TRUE(shown.Visible());
    ASSERT_GE(shown.log.size(), 2u);
    EXPECT_EQ(shown.log[0], "build");
    EXPECT_EQ(shown.log[1], "load");
    EXPECT_EQ(shown.parentWidget(), nullptr);
    EXPECT_FALSE(shown.isModal());

    TestForm visible;
    visible.SetVisible(true);
    EXPECT_TRUE(visible.IsLoaded());
    EXPECT_TRUE(visible.Visible());
}

TEST(Form, CloseRequestComesBeforeEveryUnloadAndCanCancelIt) {
    struct Case {
        int16_t cancelQuery, cancelUnload;
        bool unloaded;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {0, 0, true, {"query 1", "unload"}},
        {1, 0, false, {"query 1"}},
        {0, 1, false, {"query 1", "unload"}},
    };
    for (const Case& c : cases) {
        TestForm f;
        f.ShowForm();
        f.log.clear();
        f.cancelQuery = c.cancelQuery;
        f.cancelUnload = c.cancelUnload;
        EXPECT_EQ(f.Unload(), c.unloaded);
        EXPECT_EQ(f.log, c.log);
        EXPECT_EQ(f.IsLoaded(), !c.unloaded);
        EXPECT_EQ(f.Visible(), !c.unloaded);
    }
}

TEST(Form, TheCloseBoxAsksWithModeZero) {
    TestForm f;
    f.ShowForm();
    f.log.clear();
    f.cancelQuery = 1;
    EXPECT_FALSE(f.close());
    EXPECT_TRUE(f.Visible());
    f.cancelQuery = 0;
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(f.IsLoaded());
    EXPECT_EQ(f.log, (std::vector<std::string>{"query 0", "query 0", "unload"}));
    // Loaded again: the load handling runs again, the controls are not made twice.
    f.log.clear();
    f.Load();
    EXPECT_EQ(f.log, (std::vector<std::string>{"load"}));
}

TEST(Form, OtherUnloadModesArePassedOn) {
    for (const int16_t mode : {forms::kAppWindows, forms::kAppTaskManager}) {
        TestForm f;
        f.Load();
        f.log.clear();
        EXPECT_TRUE(f.Unload(mode));
        EXPECT_EQ(f.log.front(), "query " + std::to_string(mode));
    }
}

TEST(Form, PositionAndOuterSizeInTwips) {
    TestForm f;
    f.Load();
    const std::pair<float, float> sizes[] = {{8010, 5640}, {2175, 2835}, {3000, 3000}};
    for (const auto& [w, h] : sizes) {
        f.SetWidth(w);
        f.SetHeight(h);
        EXPECT_FLOAT_EQ(f.Width(), w);
        EXPECT_FLOAT_EQ(f.Height(), h);
        // Without a window manager's frame, the client area leaves room for the designed frame.
        EXPECT_EQ(f.width(), static_cast<int>(w / 15) - 8);
        EXPECT_EQ(f.height(), static_cast<int>(h / 15) - 27);
        // Only the program sizes the window.
        EXPECT_EQ(f.minimumSize(), f.maximumSize());
    }
    f.SetLeft(1500);
    f.SetTop(3000);
    EXPECT_FLOAT_EQ(f.Left(), 1500);
    EXPECT_FLOAT_EQ(f.Top(), 3000);
    EXPECT_FLOAT_EQ(forms::LeftTwips(f.box), 150);
    EXPECT_FLOAT_EQ(forms::WidthTwips(f.box), 1500);
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST(Form, WindowStates) {
    TestForm f;
    f.ShowForm();
    EXPECT_EQ(f.WindowState(), forms::kNormal);
    f.SetWindowState(forms::kMinimized);
    EXPECT_EQ(f.WindowState(), forms::kMinimized);
    f.SetWindowState(forms::kNormal);
    EXPECT_EQ(f.WindowState(), forms::kNormal);
}

TEST(Form, IconCaptionHelpContextAndHandle) {
    TestForm f;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    const int32_t icon = forms::RegisterIcon(QIcon(pixmap));
    f.SetIcon(icon);
    f.SetCaption("Caption");
    f.SetHelpContextID(500);
    EXPECT_EQ(f.Icon(), icon);
    EXPECT_FALSE(f.windowIcon().isNull());
    EXPECT_EQ(f.Caption(), "Caption");
    EXPECT_EQ(f.HelpContextID(), 500);
    EXPECT_NE(f.hWnd(), 0);
    EXPECT_EQ(f.hWnd(), f.hWnd());
    EXPECT_EQ(forms::WidgetFromHandle(f.hWnd()), &f);
}

TEST(Handles, NameWindowsAndIconsForTheirLife) {
    int32_t gone = 0;
    {
        QWidget w;
        gone = forms::WindowHandle(&w);
        EXPECT_EQ(forms::WidgetFromHandle(gone), &w);
    }
    EXPECT_EQ(forms::WidgetFromHandle(gone), nullptr);
    EXPECT_EQ(forms::WidgetFromHandle(0), nullptr);
    EXPECT_EQ(forms::WindowHandle(nullptr), 0);
    QWidget a, b;
    EXPECT_NE(forms::WindowHandle(&a), forms::WindowHandle(&b));

    QPixmap p(8, 8);
    p.fill(Qt::green);
    const int32_t h1 = forms::RegisterIcon(QIcon(p));
    const int32_t h2 = forms::RegisterIcon(QIcon(p));
    EXPECT_NE(h1, 0);
    EXPECT_NE(h1, h2);
    EXPECT_FALSE(forms::IconFromHandle(h1).isNull());
    EXPECT_TRUE(forms::IconFromHandle(0).isNull());
    EXPECT_TRUE(forms::IconFromHandle(1).isNull());
    EXPECT_TRUE(forms::IconFromHandle(h2 + 1000).isNull());
}

TEST(TextBox, EveryChangeRaisesChangeOnce) {
    TestForm f;
    f.ShowForm();
    int changes = 0;
    std::vector<int16_t> keys;
    f.box->Change = [&] { ++changes; };
    f.box->KeyPress = [&](int16_t key) { keys.push_back(key); };
    f.box->SetText("abc");
    EXPECT_EQ(changes, 1);
    f.box->SetText("abc");  // the same text: no change
    EXPECT_EQ(changes, 1);
    f.box->SetText("");
    EXPECT_EQ(changes, 2);
    QTest::keyClicks(f.box, "12");
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(f.box->Text(), "12");
    EXPECT_EQ(keys, (std::vector<int16_t>{'1', '2'}));
    QTest::keyClick(f.box, Qt::Key_Backspace);
    EXPECT_EQ(f.box->Text(), "1");  // keys reach the box unchanged
    EXPECT_EQ(keys.back(), 8);
}

TEST(TextBox, FocusIsRefusedWhileTheWindowIsHidden) {
    TestForm f;
    f.Load();
    EXPECT_FALSE(f.box->SetFocus());
    EXPECT_FALSE(f.box->hasFocus());
    f.ShowForm();
    QApplication::setActiveWindow(&f);
    EXPECT_TRUE(f.box->SetFocus());
    EXPECT_TRUE(f.box->hasFocus());
}

TEST(OptionButton, SelectingRaisesClickOnceWhetherByCodeOrByTheUser) {
    QWidget parent;
    forms::OptionButton a(&parent), b(&parent);
    a.setGeometry(0, 0, 100, 20);
    b.setGeometry(0, 30, 100, 20);
    parent.show();
    int clicksA = 0, clicksB = 0;
    a.Click = [&] { ++clicksA; };
    b.Click = [&] { ++clicksB; };
    a.SetValue(true);
    EXPECT_EQ(clicksA, 1);
    EXPECT_TRUE(a.Value());
    a.SetValue(true);  // selecting the selected one still reports it
    EXPECT_EQ(clicksA, 2);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(6, 10));  // on the indicator
    EXPECT_EQ(clicksB, 1);
    EXPECT_TRUE(b.Value());
    EXPECT_FALSE(a.Value());
    EXPECT_EQ(clicksA, 2);
    b.SetValue(false);
    EXPECT_FALSE(b.Value());
    EXPECT_EQ(clicksB, 1);
}

TEST(CheckBox, ValuesAndClicks) {
    QWidget parent;
    forms::CheckBox box(&parent);
    box.setGeometry(0, 0, 120, 20);
    parent.show();
    std::vector<int16_t> seen;
    box.Click = [&] { seen.push_back(box.Value()); };
    box.SetValue(1);
    box.SetValue(2);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, 10));  // from greyed the user's click checks
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, 10));
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, 10));
    box.SetValue(0);
    EXPECT_EQ(seen, (std::vector<int16_t>{1, 2, 1, 0, 1, 0}));
}

TEST(CommandButtonAndLabel, ClicksReachTheirHandlers) {
    QWidget parent;
    forms::CommandButton button(&parent);
    forms::Label label(&parent);
    button.setGeometry(0, 0, 80, 25);
    label.setGeometry(0, 40, 80, 25);
    parent.show();
    int buttonClicks = 0, labelClicks = 0;
    button.Click = [&] { ++buttonClicks; };
    label.Click = [&] { ++labelClicks; };
    QTest::mouseClick(&button, Qt::LeftButton);
    button.setEnabled(false);
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&label, Qt::LeftButton);
    QTest::mouseClick(&label, Qt::RightButton);
    EXPECT_EQ(buttonClicks, 1);
    EXPECT_EQ(labelClicks, 1);
    EXPECT_EQ(label.focusPolicy(), Qt::NoFocus);
}

class CountingShape : public forms::Shape {
  public:
    using forms::Shape::Shape;
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent* e) override {
        ++paints;
        forms::Shape::paintEvent(e);
    }
};

TEST(Shape, ANewFillIsPaintedAtOnce) {
    QWidget parent;
    CountingShape shape(&parent);
    shape.setGeometry(0, 0, 35, 26);
    parent.show();
    QApplication::processEvents();
    const int before = shape.paints;
    shape.SetFillColor(0x00FF00);
    EXPECT_EQ(shape.paints, before + 1);  // before any event is handled
    EXPECT_EQ(shape.FillColor(), 0x00FF00u);
    const QImage image = shape.grab().toImage();
    EXPECT_EQ(image.pixelColor(17, 13), QColor(0, 255, 0));
    EXPECT_EQ(shape.focusPolicy(), Qt::NoFocus);
}

TEST(Colours, BackgroundsKeepTheirDesignValue) {
    QWidget w;
    forms::SetBackColor(&w, common::SystemColour(9));
    EXPECT_EQ(forms::BackColor(&w), common::SystemColour(9));
    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(255, 255, 255));
    forms::SetBackColor(&w, 0x0000FF);
    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_TRUE(w.autoFillBackground());
}

TEST(FitCaption, NarrowsOnlyCaptionsThatDoNotFit) {
    QWidget parent;
    forms::Label label(&parent);
    label.setGeometry(0, 0, 400, 20);
    label.SetCaption("Time to live (hops)");
    EXPECT_EQ(label.font().stretch() == QFont::AnyStretch ? 100 : label.font().stretch(), 100);
    label.setGeometry(0, 0, 60, 20);
    label.SetCaption("Time to live (hops), a caption far too long for its box");
    EXPECT_LT(label.font().stretch(), 100);
    EXPECT_GE(label.font().stretch(), 60);
    label.setGeometry(0, 0, 400, 20);
    label.SetCaption("short");
    EXPECT_EQ(label.font().stretch(), 100);
}

TEST(Dialogs, MessageBoxesAndMenusGoThroughTheInterface) {
    fakes::FakeDialogs dialogs;
    fakes::ScopedDialogs scoped(dialogs);
    forms::MsgBox("Unable to initialize ICMP", forms::kMsgOkOnly, "ICMP Error");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Unable to initialize ICMP");
    EXPECT_EQ(dialogs.boxes[0].style, 0);
    EXPECT_EQ(dialogs.boxes[0].title, "ICMP Error");

    QMenu menu;
    menu.setObjectName("mnuRight");
    QAction* test = menu.addAction("&Test");
    test->setObjectName("mnuRightTest");
    bool ran = false;
    QObject::connect(test, &QAction::triggered, [&] { ran = true; });
    dialogs.chooseItem = "mnuRightTest";
    forms::CurrentDialogs().PopupMenu(menu);
    EXPECT_TRUE(ran);  // before the popup returned
    EXPECT_EQ(dialogs.menusShown, std::vector<QString>{"mnuRight"});
}

TEST(Application, TitleFolderAndName) {
    EXPECT_EQ(forms::App::Title(), "TarnovelMon");
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    EXPECT_EQ(forms::App::EXEName(), exe.completeBaseName());
    EXPECT_EQ(forms::App::Path(), exe.absolutePath());
    forms::App::SetHelpFile("/x/TarnovelMon.html");
    EXPECT_EQ(forms::App::HelpFile(), "/x/TarnovelMon.html");
    EXPECT_EQ(forms::TimeText().size(), 8);
}

TEST(EndProgram, RunsTheHookWhereATestPutOne) {
    const int before = tn_test::programEnds;  // the test main's hook counts
    forms::EndProgram();
    EXPECT_EQ(tn_test::programEnds, before + 1);
}

TEST(DoEvents, HandlesPendingEvents) {
    bool ran = false;
    QMetaObject::invokeMethod(
        qApp, [&] { ran = true; }, Qt::QueuedConnection);
    EXPECT_FALSE(ran);
    forms::DoEvents();
    EXPECT_TRUE(ran);
}

}  // namespace
