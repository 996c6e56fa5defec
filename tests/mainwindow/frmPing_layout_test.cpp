#include "mainwindow/frmPing.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <optional>
#include <set>

#include "common/Colours.h"
#include "common/QtColours.h"

namespace {

using common::ColourValue;
using common::SystemColour;

enum Kind { kFrame, kLabel, kShape, kTextBox, kButton, kOption, kCheck, kPicture };
enum Style : unsigned { kNone = 0, kBorder = 1, kCentred = 2, kTransparent = 4 };
enum FontKind { kDefault, kSans975, kSans135Bold, kArial12Bold };

struct Control {
    const char* name;
    Kind kind;
    const char* parent;
    const char* caption;
    double left, top, width, height;
    unsigned style = kNone;
    std::optional<ColourValue> back = std::nullopt;
    FontKind font = kDefault;
};

const ColourValue kSys9 = SystemColour(9);
const ColourValue kFace = SystemColour(15);

// The window as designed.
const Control kControls[] = {
    {"frmControl", kFrame, "frmPing", "Control", 45, 2790, 1995, 2265, kNone, 0xFFFFFF},
    {"frmResults", kFrame, "frmPing", "Results", 2280, 2790, 2550, 2265, kNone, kSys9},
    {"frmLoop", kFrame, "frmPing", "Loop", 2280, 1245, 5445, 1455, kNone, kSys9},
    {"frmLevels", kFrame, "frmPing", "Grade", 5025, 2790, 2685, 2265, kNone, kSys9},
    {"frmSite", kFrame, "frmPing", "Sites", 2280, 15, 5445, 1155, kNone, kSys9},
    {"Picture1", kPicture, "frmPing", "", 45, 1560, 1995, 840, kNone, 0x004040},
    {"frameLight", kFrame, "frmPing", "", 45, -15, 1995, 1560, kNone, 0xC0FFFF},
    {"shpGd", kShape, "frameLight", "", 120, 180, 525, 390},
    {"shpYel", kShape, "frameLight", "", 120, 630, 525, 390},
    {"shpBd", kShape, "frameLight", "", 120, 1065, 525, 390},
    {"lblGd", kLabel, "frameLight", "Gd", 645, 240, 405, 270, kBorder | kCentred | kTransparent},
    {"lblYel", kLabel, "frameLight", "Yel", 645, 690, 405, 270, kBorder | kCentred | kTransparent},
    {"lblBd", kLabel, "frameLight", "Bd", 645, 1155, 405, 270, kBorder | kCentred | kTransparent},
    {"lbllastGd", kLabel, "frameLight", "lbllastGd", 1140, 255, 630, 240, kTransparent},
    {"lbllastYel", kLabel, "frameLight", "lbllastYel", 1140, 705, 630, 240, kTransparent},
    {"lbllastBd", kLabel, "frameLight", "lbllastBd", 1140, 1170, 630, 240, kTransparent},
    {"lblTest", kLabel, "Picture1", "Test", 195, 45, 600, 345, kCentred | kTransparent, {}, kArial12Bold},
    {"lblOptions",
     kLabel,
     "Picture1",
     "Options",
     960,
     60,
     870,
     345,
     kCentred | kTransparent,
     {},
     kArial12Bold},
    {"lblHelp", kLabel, "Picture1", "Help", 135, 390, 795, 345, kCentred | kTransparent, {}, kArial12Bold},
    {"lblExit", kLabel, "Picture1", "Exit", 900, 390, 795, 345, kCentred | kTransparent, {}, kArial12Bold},
    {"chkAutoStartUp", kCheck, "frmControl", "Startup automaticall&y", 60, 465, 1860, 300, kNone, 0xC0FFFF},
    {"cmdHide", kButton, "frmControl", "<-&Hide", 150, 1365, 795, 330},
    {"cmdTest", kButton, "frmControl", "&Test", 1020, 1365, 795, 330},
    {"cmdHelp", kButton, "frmControl", "&Help", 150, 1770, 795, 330},
    {"cmdExit", kButton, "frmControl", "&Exit", 1020, 1770, 795, 330},
    {"lblName", kLabel, "frmSite", "Name", 840, 120, 1980, 165, kCentred | kTransparent},
    {"Label1", kLabel, "frmSite", "IP Address", 2940, 150, 1620, 165, kCentred | kTransparent},
    {"optIP(0)", kOption, "frmSite", "Main", 180, 405, 645, 195, kNone, kSys9},
    {"txtIP(0)", kTextBox, "frmSite", "", 840, 330, 1980, 315},
    {"lblAddress(0)", kLabel, "frmSite", "", 2910, 375, 1620, 225, kCentred, kFace},
    {"cmdTestAddr(0)", kButton, "frmSite", "Test", 4605, 345, 510, 270},
    {"optIP(1)", kOption, "frmSite", "Alt", 180, 720, 645, 195, kNone, kSys9},
    {"txtIP(1)", kTextBox, "frmSite", "", 840, 660, 1980, 315},
    {"lblAddress(1)", kLabel, "frmSite", "", 2910, 690, 1620, 225, kCentred, kFace},
    {"cmdTestAddr(1)", kButton, "frmSite", "Test", 4605, 660, 510, 270},
    {"Label5", kLabel, "frmLoop", "Loop time (mn)", 1695, 165, 1170, 300, kTransparent},
    {"lblCntID", kLabel, "frmLoop", "Counter", 2865, 165, 720, 300, kCentred | kTransparent},
    {"cmdStart", kButton, "frmLoop", "Start->", 795, 420, 795, 330},
    {"txtLoop", kTextBox, "frmLoop", "", 1920, 435, 700, 300, kCentred},
    {"lblCnt", kLabel, "frmLoop", "", 2895, 435, 700, 300, kBorder | kCentred, kFace, kSans975},
    {"cmdStop", kButton, "frmLoop", "<-Stop", 3825, 420, 795, 330},
    {"Label2", kLabel, "frmLoop", "Time to live (hops)", 480, 990, 1320, 225, kTransparent},
    {"txtTimeToLive", kTextBox, "frmLoop", "", 1920, 930, 700, 300, kCentred},
    {"Label3", kLabel, "frmLoop", "Time Out (ms)", 2895, 990, 1380, 225, kTransparent},
    {"txtTimeOut", kTextBox, "frmLoop", "", 4110, 930, 700, 300, kCentred},
    {"lblStatus", kLabel, "frmResults", "Status", 255, 420, 2010, 285, kTransparent},
    {"lblError", kLabel, "frmResults", "", 270, 645, 1995, 285, kBorder | kCentred, kFace, kSans975},
    {"lblTT", kLabel, "frmResults", "Trip time (ms)", 255, 1260, 1170, 195, kTransparent},
    {"lblTripTime", kLabel, "frmResults", "", 270, 1515, 1995, 420, kBorder | kCentred, SystemColour(11),
     kSans135Bold},
    {"Label7", kLabel, "frmLevels", " Response Time (ms)", 975, -15, 735, 585, kCentred | kTransparent},
    {"lbllvl(0)", kLabel, "frmLevels", "Level A", 345, 645, 585, 210, kNone, 0xC0FFC0},
    {"txtlvl(0)", kTextBox, "frmLevels", "", 975, 615, 675, 285, kCentred},
    {"lblQual(0)", kLabel, "frmLevels", "or less", 1755, 645, 720, 270, kTransparent},
    {"lbllvl(1)", kLabel, "frmLevels", "Level B", 270, 1020, 660, 210, kCentred, 0x80FF80},
    {"txtlvl(1)", kTextBox, "frmLevels", "", 975, 990, 675, 285, kCentred},
    {"lblQual(1)", kLabel, "frmLevels", "or less", 1755, 1020, 720, 270, kTransparent},
    {"lbllvl(2)", kLabel, "frmLevels", "Level C", 210, 1410, 720, 210, kCentred, 0x00FF00},
    {"txtlvl(2)", kTextBox, "frmLevels", "", 975, 1380, 675, 285, kCentred},
    {"lblQual(2)", kLabel, "frmLevels", "or less", 1755, 1425, 720, 270, kTransparent},
    {"lbllvl(3)", kLabel, "frmLevels", "Level D", 105, 1800, 825, 210, kCentred, 0x00C000},
    {"txtlvl(3)", kTextBox, "frmLevels", "", 975, 1770, 675, 285, kCentred},
    {"lblQual(3)", kLabel, "frmLevels", "more than", 1755, 1785, 720, 270, kTransparent},
    {"lbllvl(4)", kLabel, "frmLevels", "Level E", 255, 2340, 585, 270, kNone, 0x004000},
    {"txtlvl(4)", kTextBox, "frmLevels", "", 975, 2310, 675, 285, kCentred},
};

bool IsKind(QWidget* w, Kind kind) {
    switch (kind) {
        case kFrame:
            return qobject_cast<forms::Frame*>(w) != nullptr;
        case kLabel:
            return qobject_cast<forms::Label*>(w) != nullptr;
        case kShape:
            return qobject_cast<forms::Shape*>(w) != nullptr;
        case kTextBox:
            return qobject_cast<forms::TextBox*>(w) != nullptr;
        case kButton:
            return qobject_cast<forms::CommandButton*>(w) != nullptr;
        case kOption:
            return qobject_cast<forms::OptionButton*>(w) != nullptr;
        case kCheck:
            return qobject_cast<forms::CheckBox*>(w) != nullptr;
        case kPicture:
            return qobject_cast<forms::PictureBox*>(w) != nullptr;
    }
    return false;
}

QString CaptionOf(QWidget* w) {
    if (auto* f = qobject_cast<QGroupBox*>(w)) return f->title();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* t = qobject_cast<QLineEdit*>(w)) return t->text();
    return QString();
}

class FrmPingLayout : public testing::Test {
  protected:
    frmPing window;
    QWidget* Find(const char* name) { return window.findChild<QWidget*>(name); }
};

TEST_F(FrmPingLayout, NamingAControlLoadsTheWindowHidden) {
    EXPECT_FALSE(window.IsLoaded());
    ASSERT_NE(window.txtIP(0), nullptr);
    EXPECT_TRUE(window.IsLoaded());
    EXPECT_FALSE(window.Visible());
    EXPECT_EQ(window.txtIP(0)->objectName(), "txtIP(0)");
}

TEST_F(FrmPingLayout, EveryControlAsDesigned) {
    window.Load();
    const QString sans = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    for (const Control& c : kControls) {
        SCOPED_TRACE(c.name);
        QWidget* w = Find(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(IsKind(w, c.kind));
        EXPECT_EQ(w->parentWidget()->objectName(), c.parent);
        // The counters and their times show their design captions only until the load empties them.
        static const std::set<std::string> emptiedAtLoad = {"lblGd",     "lblYel",     "lblBd",
                                                            "lbllastGd", "lbllastYel", "lbllastBd"};
        // The text boxes are empty at design and filled from the settings at load.
        if (c.kind != kTextBox) {
            EXPECT_EQ(CaptionOf(w), emptiedAtLoad.count(c.name) ? "" : c.caption);
        }
        EXPECT_NEAR(forms::LeftTwips(w), c.left, 15);
        EXPECT_NEAR(forms::TopTwips(w), c.top, 15);
        EXPECT_NEAR(forms::WidthTwips(w), c.width, 15);
        EXPECT_NEAR(forms::HeightTwips(w), c.height, 15);
        if (c.back) {
            EXPECT_EQ(forms::BackColor(w), *c.back);
            EXPECT_EQ(w->palette().color(QPalette::Window), common::ToQColor(*c.back));
            EXPECT_TRUE(w->autoFillBackground());
        }
        if (auto* label = qobject_cast<QLabel*>(w)) {
            EXPECT_EQ(label->frameShape() == QFrame::Box, (c.style & kBorder) != 0);
            EXPECT_EQ((label->alignment() & Qt::AlignHCenter) != 0, (c.style & kCentred) != 0);
            EXPECT_EQ(label->autoFillBackground(), (c.style & kTransparent) == 0);
        }
        if (auto* box = qobject_cast<QLineEdit*>(w)) {
            EXPECT_EQ((box->alignment() & Qt::AlignHCenter) != 0, (c.style & kCentred) != 0);
        }
        const QFont f = w->font();
        switch (c.font) {
            case kDefault:
                EXPECT_EQ(f.family(), sans);
                EXPECT_DOUBLE_EQ(f.pointSizeF(), 8);
                break;
            case kSans975:
                EXPECT_EQ(f.family(), sans);
                EXPECT_DOUBLE_EQ(f.pointSizeF(), 9.75);
                break;
            case kSans135Bold:
                EXPECT_EQ(f.family(), sans);
                EXPECT_DOUBLE_EQ(f.pointSizeF(), 13.5);
                EXPECT_TRUE(f.bold());
                break;
            case kArial12Bold:
                EXPECT_EQ(f.family(), "Liberation Sans");
                EXPECT_DOUBLE_EQ(f.pointSizeF(), 12);
                EXPECT_TRUE(f.bold());
                break;
        }
    }
}

TEST_F(FrmPingLayout, TheWindowItself) {
    window.Load();
    EXPECT_EQ(window.Caption(), "Kestrune Software Tarnovel Monitor");
    EXPECT_EQ(window.HelpContextID(), 500);
    EXPECT_EQ(window.palette().color(QPalette::Window), QColor(255, 255, 255));
    EXPECT_FLOAT_EQ(window.Width(), 8010);
    EXPECT_FLOAT_EQ(window.Height(), 5640);
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window.chkAutoStartUp()->toolTip(), "Load in system tray and call at system startup");
    EXPECT_EQ(window.lblTest()->palette().color(QPalette::WindowText), QColor(255, 255, 192));
    EXPECT_EQ(window.chkAutoStartUp()->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    const std::pair<forms::Shape*, ColourValue> lamps[] = {
        {window.shpGd(), 0x004000}, {window.shpYel(), 0x008080}, {window.shpBd(), 0x000080}};
    for (const auto& [lamp, unlit] : lamps)
        EXPECT_EQ(lamp->FillColor(), unlit) << lamp->objectName().toStdString();
    for (const int size : {16, 32}) EXPECT_FALSE(window.windowIcon().pixmap(size).isNull());
}

TEST_F(FrmPingLayout, FocusOrderAndMnemonics) {
    window.Load();
    const std::vector<QString> expected = {
        "chkAutoStartUp", "cmdHide",    "cmdTest",   "cmdHelp",        "cmdExit",   "optIP(0)", "txtIP(0)",
        "cmdTestAddr(0)", "optIP(1)",   "txtIP(1)",  "cmdTestAddr(1)", "cmdStart",  "txtLoop",  "cmdStop",
        "txtTimeToLive",  "txtTimeOut", "txtlvl(0)", "txtlvl(1)",      "txtlvl(2)", "txtlvl(3)"};
    // Walk the focus chain from the first control; only focusable widgets count.
    std::vector<QString> chain;
    QWidget* w = window.chkAutoStartUp();
    do {
        if (w->focusPolicy() & Qt::TabFocus) chain.push_back(w->objectName());
        w = w->nextInFocusChain();
    } while (w != window.chkAutoStartUp() && chain.size() < 100);
    EXPECT_EQ(chain, expected);
    EXPECT_EQ(window.txtlvl(4)->focusPolicy(), Qt::NoFocus);
    for (const char* noFocus : {"lblTest", "shpGd", "frmSite", "Picture1", "lblAddress(0)", "lbllvl(0)"}) {
        EXPECT_EQ(Find(noFocus)->focusPolicy(), Qt::NoFocus) << noFocus;
    }
    EXPECT_EQ(window.cmdHide()->shortcut(), QKeySequence::mnemonic("<-&Hide"));
    EXPECT_EQ(window.chkAutoStartUp()->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Y));
}

// The names of the leaf controls that lie at least partly within the window's client area.
std::set<QString> VisibleControls(frmPing& window) {
    std::set<QString> names;
    for (const Control& c : kControls) {
        QWidget* w = window.findChild<QWidget*>(c.name);
        QRect r(w->mapTo(&window, QPoint(0, 0)), w->size());
        // Clipped by every container on the way up.
        for (QWidget* p = w->parentWidget(); p != &window; p = p->parentWidget()) {
            r &= QRect(p->mapTo(&window, QPoint(0, 0)), p->size());
        }
        if (r.intersects(window.rect())) names.insert(c.name);
    }
    return names;
}

TEST_F(FrmPingLayout, TheTwoSizesAndWhatEachShows) {
    window.ShowForm();
    std::set<QString> all;
    for (const Control& c : kControls) all.insert(c.name);
    all.erase("lbllvl(4)");  // below the frame's lower edge, never seen
    all.erase("txtlvl(4)");
    EXPECT_EQ(VisibleControls(window), all);

    window.SetWidth(frmPing::kWidthCompact);
    window.SetHeight(frmPing::kHeightCompact);
    EXPECT_FLOAT_EQ(window.Width(), 2175);
    EXPECT_FLOAT_EQ(window.Height(), 2835);
    std::set<QString> compact;
    for (const Control& c : kControls) {
        if (std::string(c.parent) == "frameLight" || std::string(c.parent) == "Picture1" ||
            std::string(c.name) == "frameLight" || std::string(c.name) == "Picture1") {
            compact.insert(c.name);
        }
    }
    EXPECT_EQ(VisibleControls(window), compact);
    // The rest keeps its state.
    window.txtIP(1)->SetText("kept");
    window.SetWidth(frmPing::kWidthWithOptions);
    window.SetHeight(frmPing::kHeightWithOptions);
    EXPECT_EQ(window.txtIP(1)->Text(), "kept");
    EXPECT_EQ(VisibleControls(window), all);
}

}  // namespace
