#include "mainwindow/frmPing.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QScreen>
#include <QTimer>
#include <optional>

#include "common/Colours.h"
#include "mainwindow/DialIcon.h"
#include "platform/forms/Handles.h"
#include "platform/forms/Services.h"

namespace {

using common::ColourValue;
using common::SystemColour;

constexpr ColourValue kWhite = 0xFFFFFF;
constexpr ColourValue kSysWindowText = SystemColour(common::kSysWindowText);
constexpr ColourValue kSysCaptionText = SystemColour(common::kSysCaptionText);
constexpr ColourValue kSysInactiveBorder = SystemColour(common::kSysInactiveBorder);
constexpr ColourValue kSysButtonFace = SystemColour(common::kSysButtonFace);
constexpr ColourValue kLightYellow = 0xC0FFFF;
constexpr ColourValue kDarkOlive = 0x004040;
constexpr ColourValue kDarkGreen = 0x004000;

enum LabelStyle : unsigned { kPlain = 0, kBorder = 1, kCentred = 2, kTransparent = 4, kWrap = 8 };

// The window's default font: the desktop's sans-serif at 8 points. Designs in "MS Sans Serif" use
// the same family at their own size; "Arial" is drawn with its metric twin, Liberation Sans.
QFont DefaultFont() {
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setPointSizeF(8);
    // Captions are measured unstretched: drawn with the same face, the measure loads no font of its own.
    if (f.stretch() == QFont::AnyStretch) f.setStretch(QFont::Unstretched);
    return f;
}

QFont SansFont(double points, bool bold = false) {
    QFont f = DefaultFont();
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QFont ArialFont(double points, bool bold) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setStretch(QFont::Unstretched);
    return f;
}

QString HelpFilePath(const platform::ProgramLocation& location) {
    const QString folder = QFile::decodeName(location.folder.c_str());
    const QString name = forms::App::Title() + QStringLiteral(".html");
    const QString beside = folder + QLatin1Char('/') + name;
    const QString installed = folder + QStringLiteral("/../share/tarnovelmon/") + name;
    if (QFileInfo(beside).isFile()) return beside;
    if (QFileInfo(installed).isFile()) return QFileInfo(installed).canonicalFilePath();
    return beside;
}

QString IndexedName(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(name).arg(index);
}

template <typename T>
T* Make(QWidget* parent, const QString& name, double left, double top, double width, double height) {
    T* w = new T(parent);
    w->setObjectName(name);
    forms::PlaceTwips(w, left, top, width, height);
    return w;
}

forms::Frame* MakeFrame(QWidget* parent, const char* name, const QString& caption, double l, double t,
                        double w, double h, ColourValue back) {
    auto* f = Make<forms::Frame>(parent, name, l, t, w, h);
    f->setTitle(caption);
    forms::SetBackColor(f, back);
    return f;
}

forms::Label* MakeLabel(QWidget* parent, const QString& name, const QString& caption, double l, double t,
                        double w, double h, unsigned style, std::optional<ColourValue> back = std::nullopt) {
    auto* label = Make<forms::Label>(parent, name, l, t, w, h);
    if (style & kBorder) {
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setLineWidth(1);
    }
    label->setAlignment(((style & kCentred) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    label->setWordWrap((style & kWrap) != 0);
    label->SetCaption(caption);
    if (!(style & kTransparent)) forms::SetBackColor(label, back.value_or(kSysButtonFace));
    return label;
}

forms::TextBox* MakeTextBox(QWidget* parent, const QString& name, double l, double t, double w, double h,
                            bool centred) {
    auto* box = Make<forms::TextBox>(parent, name, l, t, w, h);
    if (centred) box->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return box;
}

forms::CommandButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, double l,
                                 double t, double w, double h) {
    auto* button = Make<forms::CommandButton>(parent, name, l, t, w, h);
    button->setText(caption);
    return button;
}

forms::Shape* MakeLamp(QWidget* parent, const char* name, double l, double t, ColourValue unlit) {
    auto* shape = Make<forms::Shape>(parent, name, l, t, 525, 390);
    shape->SetFillColor(unlit);
    return shape;
}

forms::Label* MakeLink(QWidget* parent, const char* name, const QString& caption, double l, double t,
                       double w, double h) {
    auto* link = MakeLabel(parent, name, caption, l, t, w, h, kCentred | kTransparent);
    link->setFont(ArialFont(12, true));
    forms::SetForeColor(link, kLightYellow);
    link->setCursor(Qt::PointingHandCursor);
    return link;
}

}  // namespace

frmPing::frmPing(const platform::Services& services, const forms::WindowServices& windows,
                 modPing::Engine& probe, frmSysTray& tray, modPingAuto::LogonStart& logon, RoundTakers rounds)
    : forms::Form(QStringLiteral("frmPing")),
      helpFile(HelpFilePath(services.location)),
      settings_(services.settings),
      dialogs_(windows.dialogs),
      help_(windows.help),
      end_(services.end),
      probe_(probe),
      tray_(tray),
      logon_(logon),
      compositorPlacesWindows_(services.compositorPlacesWindows),
      monitor_(view_, probe, services.clock, rounds.all),
      recorder_(rounds.recorder),
      notifier_(rounds.notifier),
      historyFile_(services.history),
      clock_(services.clock) {}

void frmPing::BuildControls() {
    SetCaption(QStringLiteral("Kestrune Software Tarnovel Monitor"));
    forms::SetBackColor(this, kWhite);
    setFont(DefaultFont());
    SetHelpContextID(kHelpContext);
    // Drawn at six sizes for the window manager, which reads it once the window is up: after the
    // window is shown, not before.
    QTimer::singleShot(0, this, [this] { setWindowIcon(DialIcon()); });

    // Containers, in design order.
    frmControl_ = MakeFrame(this, "frmControl", "Control", 45, 2790, 1995, 2265, kWhite);
    frmResults_ = MakeFrame(this, "frmResults", "Results", 2280, 2790, 2550, 2265, kSysCaptionText);
    frmLoop_ = MakeFrame(this, "frmLoop", "Loop", 2280, 1245, 5445, 1455, kSysCaptionText);
    frmLevels_ = MakeFrame(this, "frmLevels", "Grade", 5025, 2790, 2685, 2265, kSysCaptionText);
    frmSite_ = MakeFrame(this, "frmSite", "Sites", 2280, 15, 5445, 1155, kSysCaptionText);
    Picture1_ = Make<forms::PictureBox>(this, "Picture1", 45, 1560, 1995, 840);
    forms::SetBackColor(Picture1_, kDarkOlive);
    frameLight_ = MakeFrame(this, "frameLight", QString(), 45, -15, 1995, 1560, kLightYellow);

    BuildLight();
    BuildControlFrame();
    BuildSites();
    BuildLoop();
    BuildResults();
    BuildLevels();
    SetFocusOrder();
    NameControls();
    ConnectHandlers();

    // The start-up position: centred on the primary screen, at the design size.
    ApplyOuterSize(kWidthWithOptions, kHeightWithOptions);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void frmPing::BuildLight() {
    QWidget* light = frameLight_;
    // Top to bottom: each lamp, its count and the time it was last lit.
    const struct {
        monitor::Lamp lamp;
        const char *shape, *count, *countCaption, *lastLit;
        double shapeTop, countTop, lastLitTop;
    } lamps[] = {{monitor::Lamp::kGreen, "shpGd", "lblGd", "Gd", "lbllastGd", 180, 240, 255},
                 {monitor::Lamp::kYellow, "shpYel", "lblYel", "Yel", "lbllastYel", 630, 690, 705},
                 {monitor::Lamp::kRed, "shpBd", "lblBd", "Bd", "lbllastBd", 1065, 1155, 1170}};
    const unsigned counter = kBorder | kCentred | kTransparent;
    for (size_t i = 0; i < lamps_.size(); ++i) {
        const auto& c = lamps[i];
        const monitor::LampRow& row = monitor::RowOf(c.lamp);
        lamps_[i] = {c.lamp, MakeLamp(light, c.shape, 120, c.shapeTop, row.unlit)};
        LabelSlot(row.count) = MakeLabel(light, c.count, c.countCaption, 645, c.countTop, 405, 270, counter);
        LabelSlot(row.lastLit) =
            MakeLabel(light, c.lastLit, c.lastLit, 1140, c.lastLitTop, 630, 240, kTransparent);
    }

    // The link strip.
    lblTest_ = MakeLink(Picture1_, "lblTest", "Test", 195, 45, 600, 345);
    lblOptions_ = MakeLink(Picture1_, "lblOptions", "Options", 960, 60, 870, 345);
    lblHelp_ = MakeLink(Picture1_, "lblHelp", "Help", 135, 390, 795, 345);
    lblExit_ = MakeLink(Picture1_, "lblExit", "Exit", 900, 390, 795, 345);
}

void frmPing::BuildControlFrame() {
    chkAutoStartUp_ = Make<forms::CheckBox>(frmControl_, "chkAutoStartUp", 60, 465, 1860, 300);
    chkAutoStartUp_->setText("Startup automaticall&y");
    forms::SetBackColor(chkAutoStartUp_, kLightYellow);
    forms::SetForeColor(chkAutoStartUp_, kSysWindowText);
    chkAutoStartUp_->setToolTip("Load in system tray and call at system startup");
    cmdHide_ = MakeButton(frmControl_, "cmdHide", "<-&Hide", 150, 1365, 795, 330);
    cmdTest_ = MakeButton(frmControl_, "cmdTest", "&Test", 1020, 1365, 795, 330);
    cmdHelp_ = MakeButton(frmControl_, "cmdHelp", "&Help", 150, 1770, 795, 330);
    cmdExit_ = MakeButton(frmControl_, "cmdExit", "&Exit", 1020, 1770, 795, 330);
}

// Sites, one row each.
void frmPing::BuildSites() {
    lblName_ = MakeLabel(frmSite_, "lblName", "Name", 840, 120, 1980, 165, kCentred | kTransparent);
    Label1_ = MakeLabel(frmSite_, "Label1", "IP Address", 2940, 150, 1620, 165, kCentred | kTransparent);
    const double rowTop[2][4] = {{405, 330, 375, 345}, {720, 660, 690, 660}};
    const char* optionCaption[2] = {"Main", "Alt"};
    for (int i = 0; i < 2; ++i) {
        optIP_[i] = Make<forms::OptionButton>(frmSite_, IndexedName("optIP", i), 180, rowTop[i][0], 645, 195);
        optIP_[i]->setText(optionCaption[i]);
        forms::SetBackColor(optIP_[i], kSysCaptionText);
        txtIP_[i] = MakeTextBox(frmSite_, IndexedName("txtIP", i), 840, rowTop[i][1], 1980, 315, false);
        lblAddress_[i] = MakeLabel(frmSite_, IndexedName("lblAddress", i), QString(), 2910, rowTop[i][2],
                                   1620, 225, kCentred);
        cmdTestAddr_[i] =
            MakeButton(frmSite_, IndexedName("cmdTestAddr", i), "Test", 4605, rowTop[i][3], 510, 270);
    }
}

void frmPing::BuildLoop() {
    Label5_ = MakeLabel(frmLoop_, "Label5", "Loop time (mn)", 1695, 165, 1170, 300, kTransparent);
    lblCntID_ = MakeLabel(frmLoop_, "lblCntID", "Counter", 2865, 165, 720, 300, kCentred | kTransparent);
    cmdStart_ = MakeButton(frmLoop_, "cmdStart", "Start->", 795, 420, 795, 330);
    txtLoop_ = MakeTextBox(frmLoop_, "txtLoop", 1920, 435, 700, 300, true);
    lblCnt_ = MakeLabel(frmLoop_, "lblCnt", QString(), 2895, 435, 700, 300, kBorder | kCentred);
    lblCnt_->setFont(SansFont(9.75));
    cmdStop_ = MakeButton(frmLoop_, "cmdStop", "<-Stop", 3825, 420, 795, 330);
    Label2_ = MakeLabel(frmLoop_, "Label2", "Time to live (hops)", 480, 990, 1320, 225, kTransparent);
    txtTimeToLive_ = MakeTextBox(frmLoop_, "txtTimeToLive", 1920, 930, 700, 300, true);
    Label3_ = MakeLabel(frmLoop_, "Label3", "Time Out (ms)", 2895, 990, 1380, 225, kTransparent);
    txtTimeOut_ = MakeTextBox(frmLoop_, "txtTimeOut", 4110, 930, 700, 300, true);
}

void frmPing::BuildResults() {
    lblStatus_ = MakeLabel(frmResults_, "lblStatus", "Status", 255, 420, 2010, 285, kTransparent);
    lblError_ = MakeLabel(frmResults_, "lblError", QString(), 270, 645, 1995, 285, kBorder | kCentred);
    lblError_->setFont(SansFont(9.75));
    lblTT_ = MakeLabel(frmResults_, "lblTT", "Trip time (ms)", 255, 1260, 1170, 195, kTransparent);
    lblTripTime_ = MakeLabel(frmResults_, "lblTripTime", QString(), 270, 1515, 1995, 420, kBorder | kCentred,
                             kSysInactiveBorder);
    lblTripTime_->setFont(SansFont(13.5, true));
}

// Grade levels: a staircase of greens from A to D; index 4 lies below the frame, never seen.
void frmPing::BuildLevels() {
    Label7_ = MakeLabel(frmLevels_, "Label7", " Response Time (ms)", 975, -15, 735, 585,
                        kCentred | kTransparent | kWrap);
    struct Level {
        const char* caption;
        double labelLeft, labelTop, labelWidth, labelHeight;
        double boxTop;
        bool centred;
        ColourValue colour;
    };
    const Level levels[5] = {
        {"Level A", 345, 645, 585, 210, 615, false, monitor::GradeOf(monitor::Field::kLevel0).shade},
        {"Level B", 270, 1020, 660, 210, 990, true, monitor::GradeOf(monitor::Field::kLevel1).shade},
        {"Level C", 210, 1410, 720, 210, 1380, true, monitor::GradeOf(monitor::Field::kLevel2).shade},
        {"Level D", 105, 1800, 825, 210, 1770, true, monitor::GradeOf(monitor::Field::kLevel3).shade},
        {"Level E", 255, 2340, 585, 270, 2310, false, kDarkGreen},
    };
    const double qualifierTop[4] = {645, 1020, 1425, 1785};
    for (int i = 0; i < 5; ++i) {
        const Level& v = levels[i];
        lbllvl_[i] = MakeLabel(frmLevels_, IndexedName("lbllvl", i), v.caption, v.labelLeft, v.labelTop,
                               v.labelWidth, v.labelHeight, v.centred ? kCentred : kPlain, v.colour);
        txtlvl_[i] = MakeTextBox(frmLevels_, IndexedName("txtlvl", i), 975, v.boxTop, 675, 285, true);
        if (i < 4) {
            lblQual_[i] = MakeLabel(frmLevels_, IndexedName("lblQual", i), i < 3 ? "or less" : "more than",
                                    1755, qualifierTop[i], 720, 270, kTransparent);
        }
    }
}

// Focus: only these controls take it, in this order.
void frmPing::SetFocusOrder() {
    const std::vector<QWidget*> order = {
        chkAutoStartUp_, cmdHide_,    cmdTest_,   cmdHelp_,        cmdExit_,   optIP_[0], txtIP_[0],
        cmdTestAddr_[0], optIP_[1],   txtIP_[1],  cmdTestAddr_[1], cmdStart_,  txtLoop_,  cmdStop_,
        txtTimeToLive_,  txtTimeOut_, txtlvl_[0], txtlvl_[1],      txtlvl_[2], txtlvl_[3]};
    for (QWidget* w : findChildren<QWidget*>()) {
        if (std::find(order.begin(), order.end(), w) == order.end()) w->setFocusPolicy(Qt::NoFocus);
    }
    for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}
