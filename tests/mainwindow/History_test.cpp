// The History window as the user meets it: opened by Ctrl+H and by the tray's menu, the span's outages,
// figures and graph description, each new round taken as it comes, why nothing is recorded, the export,
// its keys and names, and its end.
#include <QAccessible>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <fstream>
#include <sstream>

#include "mainwindow/ProgramFixture.h"

namespace {

class HistoryTest : public ProgramTest {
  protected:
    // Rounds written out `ago` ms before the fake clock's now: 'G' green, 'Y' yellow, 'R' red.
    void Rounds(std::initializer_list<std::pair<int64_t, char>> rounds) {
        for (const auto& [ago, lamp] : rounds) {
            const uint8_t l = lamp == 'G' ? 0 : lamp == 'Y' ? 1 : 2;
            f.history.rows.push_back({f.clock.NowMs() - ago, static_cast<uint8_t>(l == 2), "main.test",
                                      "198.51.100.1", l == 0 ? 0 : 11010,
                                      l == 0 ? std::optional(20) : std::nullopt, l,
                                      l == 0 ? std::optional<uint8_t>(0) : std::nullopt});
        }
    }
    QWidget* Window() {
        QWidget* found = nullptr;
        for (QWidget* t : QApplication::topLevelWidgets()) {
            if (t->objectName() == "frmHistory" && t->isVisible()) found = t;
        }
        return found;
    }
    QString Description() { return Window()->findChild<QWidget*>("graph")->accessibleDescription(); }
    QPushButton* Button(const char* text) {
        for (auto* b : Window()->findChildren<QPushButton*>()) {
            if (b->text() == text) return b;
        }
        return nullptr;
    }
};

TEST_F(HistoryTest, OpenedByCtrlHAndTheTrayItShowsTheSpanAndEachNewRound) {
    setenv("TZ", "UTC0", 1);
    tzset();
    Rounds({{25 * 3600'000, 'Y'},
            {600'000, 'G'},
            {540'000, 'Y'},
            {525'000, 'R'},
            {500'000, 'G'},
            {300'000, 'Y'},
            {290'000, 'G'}});
    Start();
    w().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    QTest::keyClick(&w(), Qt::Key_H, Qt::ControlModifier);
    ASSERT_NE(Window(), nullptr);
    EXPECT_TRUE(Window()->windowTitle().contains("History"));
    EXPECT_EQ(Description(), "Last 24 hours: 6 rounds, 50.0 % lost, 2 outages, the longest 40 s");
    auto* outages = Window()->findChild<QTableWidget*>();
    ASSERT_EQ(outages->rowCount(), 2);
    QStringList row, headers;
    for (int c = 0; c < outages->columnCount(); ++c) {
        row << outages->item(1, c)->text();
        headers << outages->horizontalHeaderItem(c)->text();
    }
    EXPECT_EQ(headers, QStringList({"Start", "End", "Length", "Worst lamp", "Site"}));
    EXPECT_EQ(row, QStringList(
                       {"1970-01-01 09:51:00", "1970-01-01 09:51:40", "40 s", "red", "main and alternate"}));
    EXPECT_EQ(outages->item(0, 2)->text(), "10 s");  // the newest first
    // The keyboard cursor on the graph tells its column's round.
    Window()->findChild<QWidget*>("graph")->setFocus();
    QTest::keyClick(Window()->findChild<QWidget*>("graph"), Qt::Key_End);
    EXPECT_EQ(Window()->findChild<QLabel*>("cursor")->text(),
              "1970-01-01 09:55:10, main site, status 0, 20 ms");
    // A new round, then a longer span that reaches the old one.
    w().Monitor().RunProbeRound();
    EXPECT_TRUE(Description().startsWith("Last 24 hours: 7 rounds, 42.9 % lost"));
    // The week waits, without a freeze, for the year read on a thread of its own; the round taken while
    // it was read is counted once, whichever came first.
    Window()->findChild<QComboBox*>()->setCurrentIndex(2);
    for (int i = 0; i < 500 && !Description().startsWith("Last 7"); ++i) QTest::qWait(10);
    EXPECT_TRUE(Description().startsWith("Last 7 days: 8 rounds")) << Description().toStdString();
    // The tray's item raises the same window; Escape closes and frees it, and rounds go on.
    QWidget* first = Window();
    f.dialogs.chooseItem = "mnuRightHistory";
    TrayEvent(platform::kWmRButtonDown);
    EXPECT_EQ(Window(), first);
    ASSERT_TRUE(QTest::qWaitForWindowActive(first));
    QTest::keyClick(first, Qt::Key_Escape);
    QPointer<QWidget> freed(first);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Window() == nullptr && freed == nullptr);
    w().Monitor().RunProbeRound();
    EXPECT_EQ(f.history.rows.size(), 9u);
}

TEST_F(HistoryTest, ItSaysWhyNothingIsRecordedExportsItsSpanAndNamesEveryControl) {
    Rounds({{60'000, 'G'}});
    f.history.answer = platform::HistoryWrite::kFailed;
    Start();
    w().Monitor().RunProbeRound();
    w().ShowHistory();
    QLabel* state = nullptr;
    for (auto* l : Window()->findChildren<QLabel*>()) {
        if (l->text().startsWith("History is not being recorded:")) state = l;
    }
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->text(), "History is not being recorded: disk full");
    f.dialogs.saveAs = bin.filePath("out.csv");
    Button("&Export CSV...")->click();
    std::stringstream csv;
    csv << std::ifstream(f.dialogs.saveAs.toStdString()).rdbuf();
    EXPECT_EQ(csv.str(),
              "time,site,host,address,status,rtt_ms,lamp,shade\r\n1970-01-01T09:59:00.000Z,0,main.test,"
              "198.51.100.1,0,20,0,0\r\n");
    f.dialogs.saveAs = bin.filePath("none/out.csv");
    Button("&Export CSV...")->click();
    EXPECT_EQ(f.dialogs.boxes.back(),
              "TarnovelMon: The history could not be exported: No such file or directory");
    // Every control takes the focus by Tab and has a name; the mnemonics lead to them.
    for (QWidget* c : Window()->findChildren<QWidget*>()) {
        if (!(c->focusPolicy() & Qt::TabFocus) || c->parentWidget() != Window()) continue;
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(c)->text(QAccessible::Name).isEmpty())
            << c->metaObject()->className();
    }
    QStringList mnemonics;
    for (auto* l : Window()->findChildren<QLabel*>()) {
        if (l->buddy() != nullptr) mnemonics << l->text();
    }
    EXPECT_EQ(mnemonics, QStringList({"&Span:", "&Round trips:", "&Outages, newest first:"}));
}

// The tray's Notify item, kept in the settings, and the monitor's rounds reaching the notifications
// (their actions are checked end to end, with dunst).
TEST_F(HistoryTest, TheNotifyItemIsKeptAndTheRoundsAreTold) {
    f.settings.values["Notify"] = "0";
    Start();
    EXPECT_FALSE(p->Tray().mnuRightNotify().isChecked());
    f.echo.fallback = {.error = platform::ip_status::kReqTimedOut};
    w().Monitor().RunProbeRound();
    w().Monitor().RunProbeRound();
    EXPECT_TRUE(f.notifications.sent.empty());
    f.dialogs.chooseItem = "mnuRightNotify";
    TrayEvent(platform::kWmRButtonDown);
    EXPECT_TRUE(p->Tray().mnuRightNotify().isChecked());
    w().Monitor().RunProbeRound();
    ASSERT_EQ(f.notifications.sent.size(), 1u);
    w().SaveSettings();
    EXPECT_EQ(f.settings.values["Notify"], "1");
}

}  // namespace
