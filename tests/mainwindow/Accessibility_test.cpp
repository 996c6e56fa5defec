// What a screen reader reads of the window, its contrast under any scheme, and its keys.
#include <QAccessible>
#include <QTest>
#include <map>

#include "common/QtColours.h"
#include "mainwindow/ProgramFixture.h"

namespace {

QAccessibleInterface* A(QObject* o) {
    return QAccessible::queryAccessibleInterface(o);
}

TEST_F(ProgramTest, NamesLampsAndTheRoundsStateReachAccessibility) {
    Start();
    const std::pair<QWidget*, const char*> names[] = {
        {w().txtIP(1), "Alternate site"},    {w().txtLoop(), "Loop time (mn)"},
        {w().txtTimeOut(), "Time Out (ms)"}, {w().txtTimeToLive(), "Time to live (hops)"},
        {w().txtlvl(3), "Level D"},          {w().lblTripTime(), "Trip time (ms)"},
        {w().shpYel(), "Yellow lamp"}};
    for (const auto& [c, name] : names) EXPECT_EQ(A(c)->text(QAccessible::Name), name);
    using fakes::FakeEchoService;
    const struct {
        platform::EchoReply reply;
        QString lamps, state;
    } rounds[] = {
        {FakeEchoService::Reply({198, 51, 100, 1}, 0, 20), "Lit, Level A shade|Not lit|Not lit", " - TN OK"},
        {FakeEchoService::Failure(11010), "Not lit|Lit|Not lit", " - TN Problem"},
        {FakeEchoService::Failure(11010), "Not lit|Not lit|Lit", " - TN Error"},
        {FakeEchoService::Reply({198, 51, 100, 1}, 0, 150), "Lit, Level C shade|Not lit|Not lit",
         " - TN OK"}};
    for (const auto& r : rounds) {
        f.echo.replies = {r.reply};
        w().Monitor().RunProbeRound();
        QStringList lamps;
        for (QWidget* lamp : {w().shpGd(), w().shpYel(), w().shpBd()})
            lamps << A(lamp)->text(QAccessible::Description);
        EXPECT_EQ(lamps.join('|'), r.lamps);
        EXPECT_TRUE(A(&w())->text(QAccessible::Description).endsWith(r.state));
        EXPECT_EQ(A(w().lblGd())->text(QAccessible::Description), w().lblGd()->Caption());
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
        EXPECT_TRUE(A(w().lbllvl(4))->state().invisible);
    }
}

TEST_F(ProgramTest, EveryCaptionReadsUnderAStandardADarkAndAHighContrastScheme) {
    const QPalette standard = QApplication::palette();
    QPalette dark(QColor(53, 53, 53), QColor(53, 53, 53));
    dark.setColor(QPalette::Base, QColor(42, 42, 42));
    QPalette contrast(Qt::yellow, Qt::black, Qt::white, Qt::darkGray, Qt::gray, Qt::white, Qt::black);
    for (const QPalette& scheme : {standard, dark, contrast}) {
        QApplication::setPalette(scheme);
        Start();
        w().Monitor().RunProbeRound();
        const QImage image = w().grab().toImage();
        for (QWidget* c : w().findChildren<QWidget*>()) {
            auto* label = qobject_cast<QLabel*>(c);
            auto* button = qobject_cast<QPushButton*>(c);
            if (!c->isVisible() || !c->isEnabled() ||
                (label    ? label->text()
                 : button ? button->text()
                          : "")
                    .isEmpty())
                continue;
            const QRect box =
                QRect(c->mapTo(&w(), QPoint(0, 0)), c->size()).adjusted(3, 3, -3, -3) & image.rect();
            std::map<QRgb, int> count;
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x) ++count[image.pixel(x, y)];
            const auto back = std::max_element(count.begin(), count.end(),
                                               [](auto& a, auto& b) { return a.second < b.second; });
            double best = 1;
            for (const auto& [rgb, n] : count) {
                best = std::max(best, common::ContrastRatio(common::FromQColor(QColor(rgb)),
                                                            common::FromQColor(QColor(back->first))));
            }
            EXPECT_GE(best, 4.5) << c->objectName().toStdString() << " in scheme "
                                 << scheme.color(QPalette::Window).name().toStdString();
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
    EXPECT_FLOAT_EQ(w().Width(), frmPing::kWidthCompact);
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(&w(), Qt::Key_Tab);
        EXPECT_TRUE(QApplication::focusWidget() == nullptr || QApplication::focusWidget()->isVisible());
    }
    for (const float width : {frmPing::kWidthWithOptions, frmPing::kWidthCompact}) {
        QTest::keyClick(&w(), Qt::Key_O, Qt::AltModifier);
        EXPECT_FLOAT_EQ(w().Width(), width);
    }
}

}  // namespace
