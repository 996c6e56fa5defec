// The main window as designed: caption, sizes, lamps, panels painted in their design colours, focus.
#include <QImage>

#include "mainwindow/ProgramFixture.h"

namespace {

TEST_F(ProgramTest, TheWindowAsDesigned) {
    Start();
    EXPECT_EQ(w().Caption(), "Kestrune Software Tarnovel Monitor");
    EXPECT_FLOAT_EQ(w().Width(), 8010);
    EXPECT_FLOAT_EQ(w().Height(), 5640);
    EXPECT_EQ(w().chkAutoStartUp()->toolTip(), "Load in system tray and call at system startup");
    EXPECT_EQ(w().shpYel()->FillColor(), 0x008080u);
    EXPECT_EQ(w().lbllvl(0)->palette().color(QPalette::Window), QColor(192, 255, 192));
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

TEST_F(ProgramTest, FramesShowTheirDesignColourInside) {
    Start();
    const std::pair<QWidget*, QColor> frames[] = {{w().frmControl(), QColor(255, 255, 255)},
                                                  {w().frameLight(), QColor(255, 255, 192)},
                                                  {w().frmSite(), QColor(255, 255, 255)}};
    for (const auto& [frame, colour] : frames) {
        const QImage image = frame->grab().toImage();
        // Just inside the outline, below the caption: no control stands there.
        EXPECT_EQ(image.pixelColor(4, image.height() - 5), colour) << frame->objectName().toStdString();
    }
}

TEST_F(ProgramTest, EveryCaptionFitsItsBox) {
    Start();
    for (QLabel* label : w().findChildren<QLabel*>()) {
        if (label->wordWrap() || label->text().isEmpty()) continue;
        const QFontMetrics metrics(label->font());
        EXPECT_LE(metrics.horizontalAdvance(label->text()), label->contentsRect().width())
            << label->objectName().toStdString();
    }
}

}  // namespace
