#include <gtest/gtest.h>

#include <QApplication>

#include "monitor/MonitorFixture.h"

namespace monitor_test {
namespace {

class Validation : public MonitorFixture {
  protected:
    // Fills the fields: sites, time-to-live, time-out, loop, levels 0 to 3.
    void Fill(const std::vector<std::string>& v) {
        w->txtIP(0)->SetText(v[0]);
        w->txtIP(1)->SetText(v[1]);
        w->txtTimeToLive()->SetText(v[2]);
        w->txtTimeOut()->SetText(v[3]);
        w->txtLoop()->SetText(v[4]);
        for (int16_t i = 0; i < 4; ++i) w->txtlvl(i)->SetText(v[5 + i]);
    }
};

const char* const kSite = "You must have a web site, IP address or computer name";
const char* const kTtl = "You must enter a number between 0 and 255";
const char* const kOneTo999 = "You must enter a number between 1 and 999";
const char* const kLevel = "You must enter a number between 0 and 999";

TEST_F(Validation, TheFirstFieldOutOfRangeIsNamedAndFocused) {
    struct Case {
        std::vector<std::string> fields;
        const char* message;  // nullptr: passes
        const char* focus;
    };
    const std::vector<std::string> good = {"a", "b", "64", "250", "1", "75", "120", "200", "200"};
    auto with = [&](size_t i, const std::string& v) {
        auto f = good;
        f[i] = v;
        return f;
    };
    const Case cases[] = {
        {good, nullptr, nullptr},
        {{"a", "b", "0", "1", "999", "0", "0", "0", "0"}, nullptr, nullptr},
        {with(0, ""), kSite, "txtIP(0)"},
        {with(1, ""), kSite, "txtIP(1)"},
        {with(0, " "), nullptr, nullptr},  // a blank is not empty
        {with(2, "256"), kTtl, "txtTimeToLive"},
        {with(2, "-1"), kTtl, "txtTimeToLive"},
        {with(2, "255"), nullptr, nullptr},
        {with(2, ""), nullptr, nullptr},  // reads 0
        {with(3, ""), kOneTo999, "txtTimeOut"},
        {with(3, "12ms"), nullptr, nullptr},
        {with(3, "1e3"), kOneTo999, "txtTimeOut"},
        {with(3, "0.5"), kOneTo999, "txtTimeOut"},
        {with(3, "&H3E7"), nullptr, nullptr},  // 999
        {with(4, "0"), kOneTo999, "txtLoop"},
        {with(4, "1000"), kOneTo999, "txtLoop"},
        {with(5, "1000"), kLevel, "txtlvl(0)"},
        {with(6, "1000"), kLevel, "txtlvl(1)"},
        {with(7, "-1"), kLevel, "txtlvl(2)"},
        {with(8, "1e9"), kLevel, "txtlvl(3)"},
        {with(6, "abc"), nullptr, nullptr},  // reads 0
        // The first failure wins.
        {{"a", "b", "256", "250", "1", "75", "5000", "200", "200"}, kTtl, "txtTimeToLive"},
        {{"", "", "256", "0", "0", "-1", "-1", "-1", "-1"}, kSite, "txtIP(0)"},
    };
    w->ShowForm();
    QApplication::setActiveWindow(w.get());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.fields));
        Fill(c.fields);
        w->cmdStart()->setFocus();
        dialogs.boxes.clear();
        const bool ok = w->ValidateFields();
        EXPECT_EQ(ok, c.message == nullptr);
        if (c.message == nullptr) {
            EXPECT_TRUE(dialogs.boxes.empty());
            continue;
        }
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, c.message);
        EXPECT_EQ(dialogs.boxes[0].title, "Field Error");
        EXPECT_EQ(dialogs.boxes[0].style, 64);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), c.focus);
    }
}

TEST_F(Validation, TheFocusMovesBeforeTheMessageAndFieldsStayAsTheyWere) {
    w->ShowForm();
    QApplication::setActiveWindow(w.get());
    w->txtLoop()->SetText("0");
    w->txtLoop()->setSelection(0, 1);
    QString focusedDuringBox;
    dialogs.onMsgBox = [&] {
        if (QApplication::focusWidget()) focusedDuringBox = QApplication::focusWidget()->objectName();
    };
    EXPECT_FALSE(w->ValidateFields());
    EXPECT_EQ(focusedDuringBox, "txtLoop");
    EXPECT_EQ(w->txtLoop()->Text(), "0");
    EXPECT_EQ(w->txtLoop()->selectedText(), "0");
}

TEST_F(Validation, AHiddenWindowStillGetsTheMessageAndTheRefusal) {
    ASSERT_FALSE(w->Visible());
    w->txtTimeOut()->SetText("0");
    EXPECT_FALSE(w->ValidateFields());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, kOneTo999);
    EXPECT_FALSE(w->txtTimeOut()->hasFocus());
    EXPECT_FALSE(w->Visible());
}

}  // namespace
}  // namespace monitor_test
