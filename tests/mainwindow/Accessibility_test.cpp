// The main window as the user meets it: its size and tab order, panels painted in their design colours,
// captions that fit, what a screen reader reads, its contrast under any scheme, and its keys.
#include <QAccessible>
#include <QTest>
#include <map>

#include "common/QtColours.h"
#include "mainwindow/ProgramFixture.h"

namespace {

QAccessibleInterface* A(QObject* o) {
    return QAccessible::queryAccessibleInterface(o);
}

TEST_F(ProgramTest, TheWindowsSizeAndTabOrderAsDesigned) {
    Start();
    EXPECT_FLOAT_EQ(w().Width(), 8010);
    EXPECT_FLOAT_EQ(w().Height(), 5640);
    const std::vector<QString> order = {
        "chkAutoStartUp", "cmdHide",    "cmdTest",   "cmdHelp",        "cmdExit",   "optIP(0)", "txtIP(0)",
        "cmdTestAddr(0)", "optIP(1)",   "txtIP(1)",  "cmdTestAddr(1)", "cmdStart",  "txtLoop",  "cmdStop",
        "txtTimeToLive",  "txtTimeOut", "txtlvl(0)", "txtlvl(1)",      "txtlvl(2)", "txtlvl(3)"};
    std::vector<QString> chain;
    QWidget* c = w().chkAutoStartUp();
    do {
        if (c->focusPolicy() & Qt::TabFocus) chain.push_back(c->objectName());
        c = c->nextInFocusChain();
    } while (c != w().chkAutoStartUp() && chain.size() < 100);
    EXPECT_EQ(chain, order);
}

TEST_F(ProgramTest, FramesShowTheirDesignColourInsideAndEveryCaptionFitsItsBox) {
    Start();
    const std::pair<QWidget*, QColor> frames[] = {{w().frmControl(), QColor(255, 255, 255)},
                                                  {w().frameLight(), QColor(255, 255, 192)},
                                                  {w().frmSite(), QColor(255, 255, 255)}};
    for (const auto& [frame, colour] : frames) {
        const QImage image = frame->grab().toImage();
        // Just inside the outline, below the caption: no control stands there.
        EXPECT_EQ(image.pixelColor(4, image.height() - 5), colour) << frame->objectName().toStdString();
    }
    for (QLabel* label : w().findChildren<QLabel*>()) {
        if (label->wordWrap() || label->text().isEmpty()) continue;
        EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->contentsRect().width())
            << label->objectName().toStdString();
    }
}

TEST_F(ProgramTest, NamesLampsAndTheRoundsStateReachAccessibility) {
    Start();
    // clang-format off
    const std::pair<QWidget*, const char*> names[] = {
        {w().txtIP(1), "Alternate site"},         {w().txtLoop(), "Loop time (mn)"},
        {w().txtTimeOut(), "Time Out (ms)"},      {w().txtTimeToLive(), "Time to live (hops)"},
        {w().txtlvl(3), "Level D"},               {w().lblTripTime(), "Trip time (ms)"},
        {w().shpGd(), "Green lamp"},              {w().lblGd(), "Green lamp count"},
        {w().lbllastGd(), "Green lamp last lit"}, {w().shpYel(), "Yellow lamp"},
        {w().lblYel(), "Yellow lamp count"},      {w().lbllastYel(), "Yellow lamp last lit"},
        {w().shpBd(), "Red lamp"},                {w().lblBd(), "Red lamp count"},
        {w().lbllastBd(), "Red lamp last lit"}};
    // clang-format on
    for (const auto& [c, name] : names) EXPECT_EQ(A(c)->text(QAccessible::Name), name);
    // Every lamp and shade; the status and trip time boxes take the lamp's colour, their text reads on it.
    for (int16_t i = 0; i < 4; ++i) w().txtlvl(i)->SetText(std::to_string(10 * (i + 1)));
    const auto ok = [](uint32_t rtt) { return fakes::FakeEchoService::Reply({198, 51, 100, 1}, 0, rtt); };
    const auto lost = platform::EchoReply::Failure(11010);
    const struct {
        platform::EchoReply reply;
        QString lamps, state;
        QColor box;
    } rounds[] = {{ok(5), "Lit, Level A shade|Not lit|Not lit", " - TN OK", QColor(0xC0, 0xFF, 0xC0)},
                  {ok(15), "Lit, Level B shade|Not lit|Not lit", " - TN OK", QColor(0x80, 0xFF, 0x80)},
                  {ok(25), "Lit, Level C shade|Not lit|Not lit", " - TN OK", QColor(0x00, 0xFF, 0x00)},
                  {ok(35), "Lit, shade between Level C and Level D|Not lit|Not lit", " - TN OK",
                   QColor(0x00, 0x80, 0x00)},
                  {ok(45), "Lit, Level D shade|Not lit|Not lit", " - TN OK", QColor(0x00, 0xC0, 0x00)},
                  {lost, "Not lit|Lit|Not lit", " - TN Problem", QColor(0xFF, 0xFF, 0x00)},
                  {lost, "Not lit|Not lit|Lit", " - TN Error", QColor(0xFF, 0x00, 0x00)}};
    const std::map<QString, QString> picture{
        {" - TN OK", "Picture1"}, {" - TN Problem", "Picture2"}, {" - TN Error", "Picture3"}};
    for (const auto& r : rounds) {
        f.echo.replies = {r.reply};
        w().Monitor().RunProbeRound();
        QStringList lamps;
        for (QWidget* lamp : {w().shpGd(), w().shpYel(), w().shpBd()})
            lamps << A(lamp)->text(QAccessible::Description);
        EXPECT_EQ(lamps.join('|'), r.lamps);
        EXPECT_TRUE(A(&w())->text(QAccessible::Description).endsWith(r.state));
        EXPECT_EQ(ShownIcon(), p->Tray().findChild<forms::PictureBox*>(picture.at(r.state))->Picture())
            << r.lamps.toStdString();
        EXPECT_EQ(A(w().lblGd())->text(QAccessible::Description), w().lblGd()->Caption());
        for (QWidget* box : std::initializer_list<QWidget*>{w().lblError(), w().lblTripTime()}) {
            const QPalette& pal = box->palette();
            EXPECT_EQ(pal.color(QPalette::Window), r.box) << r.lamps.toStdString();
            EXPECT_GE(common::ContrastRatio(common::FromQColor(pal.color(QPalette::WindowText)),
                                            common::FromQColor(r.box)),
                      4.5)
                << box->objectName().toStdString() << " on " << r.box.name().toStdString();
        }
    }
    EXPECT_EQ(A(w().lblOptions())->actionInterface()->actionNames(),
              QStringList{QAccessibleActionInterface::pressAction()});
    // Nothing wholly outside the window shows or takes the focus: Level E, then all but the left column.
    for (const bool compact : {false, true}) {
        if (compact) w().cmdHide_Click();
        for (QWidget* c : w().findChildren<QWidget*>()) {
            const bool outside = !QRect(c->mapTo(&w(), QPoint(0, 0)), c->size()).intersects(w().rect()) ||
                                 !c->geometry().intersects(c->parentWidget()->rect());
            const QAccessible::State s = A(c)->state();
            EXPECT_TRUE(!outside || (s.invisible && !s.focusable)) << c->objectName().toStdString();
        }
    }
}

// Every caption and button text of the window stands out 4.5:1 from what is behind it.
void ExpectEveryCaptionReads(QWidget& window, const QPalette& scheme) {
    const QImage image = window.grab().toImage();
    for (QWidget* c : window.findChildren<QWidget*>()) {
        const auto* l = qobject_cast<QLabel*>(c);
        const auto* b = qobject_cast<QPushButton*>(c);
        if (!c->isVisible() || !c->isEnabled() || (l ? l->text() : b ? b->text() : "").isEmpty()) continue;
        // The most frequent colour is the background; the text's core is the colour farthest from it.
        std::map<common::ColourValue, int> count;
        const QRect box = QRect(c->mapTo(&window, QPoint()), c->size()).adjusted(3, 3, -3, -3);
        for (int i = 0; i < box.width() * box.height(); ++i)
            ++count[common::FromQColor(
                image.pixelColor(box.left() + i % box.width(), box.top() + i / box.width()))];
        const auto back = std::max_element(count.begin(), count.end(),
                                           [](auto& x, auto& y) { return x.second < y.second; });
        double best = 1;
        for (const auto& [colour, n] : count)
            best = std::max(best, common::ContrastRatio(colour, back->first));
        EXPECT_GE(best, 4.5) << c->objectName().toStdString() << " on "
                             << scheme.color(QPalette::Window).name().toStdString();
    }
}

// The main window after a round and the History window over it.
TEST_F(ProgramTest, EveryCaptionReadsUnderAStandardADarkAndAHighContrastScheme) {
    const QPalette standard = QApplication::palette();
    QPalette dark(QColor(53, 53, 53), QColor(53, 53, 53));
    QPalette contrast(Qt::yellow, Qt::black, Qt::white, Qt::darkGray, Qt::gray, Qt::white, Qt::black);
    f.history.answer = platform::HistoryWrite::kFailed;  // the History window says why, in a caption
    for (const QPalette& scheme : {standard, dark, contrast}) {
        QApplication::setPalette(scheme);
        Start();
        w().Monitor().RunProbeRound();
        ExpectEveryCaptionReads(w(), scheme);
        w().ShowHistory();
        for (QWidget* t : QApplication::topLevelWidgets()) {
            if (t->objectName() == "frmHistory" && t->isVisible()) ExpectEveryCaptionReads(*t, scheme);
        }
    }
    QApplication::setPalette(standard);
    EXPECT_DOUBLE_EQ(common::ContrastRatio(0x000000, 0xFFFFFF), 21);
}

TEST_F(ProgramTest, ReturnPressesTheFocusedButtonAltOTogglesTheOptionsTabStaysInTheCompactWindow) {
    Start();
    w().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    w().cmdTestAddr(1)->setFocus();
    QTest::keyClick(w().cmdTestAddr(1), Qt::Key_Return);
    EXPECT_EQ(f.echo.requests.back().destination, (std::array<uint8_t, 4>{198, 51, 100, 2}));
    w().cmdHide()->setFocus();
    QTest::keyClick(w().cmdHide(), Qt::Key_Return);
    EXPECT_EQ(QSizeF(w().Width(), w().Height()), QSizeF(frmPing::kWidthCompact, frmPing::kHeightCompact));
    QTest::keyClick(&w(), Qt::Key_Tab);  // nothing the compact window shows takes the focus
    EXPECT_TRUE(QApplication::focusWidget() == nullptr || QApplication::focusWidget()->isVisible());
    for (const float width : {frmPing::kWidthWithOptions, frmPing::kWidthCompact}) {
        QTest::keyClick(&w(), Qt::Key_O, Qt::AltModifier);
        EXPECT_FLOAT_EQ(w().Width(), width);
    }
}

}  // namespace
