#include <gtest/gtest.h>

#include <QRegularExpression>

#include "monitor/MonitorFixture.h"
#include "tray/frmSysTray.h"

namespace monitor_test {
namespace {

using common::ColourValue;

class ProbeRound : public MonitorFixture {
  protected:
    // One round of the selected site with the given outcome.
    void RoundWith(const platform::EchoReply& reply) {
        echo.replies.push_back(reply);
        w->ShowSiteAddress();
        w->RunProbeRound();
    }
};

TEST_F(ProbeRound, EachRoundLightsOneLampByTheStateTable) {
    struct Case {
        std::vector<bool> replies;  // true: a reply
        const char* last;           // the light of the last round
    };
    const Case cases[] = {
        {{false}, "yellow"},
        {{false, false}, "red"},
        {{false, false, true}, "green"},
        {{true}, "green"},
        {{true, false}, "yellow"},
        {{true, false, false, false}, "red"},
        {{false, true, false}, "yellow"},
        {{true, true}, "green"},
    };
    for (const Case& c : cases) {
        NewWindow();
        for (const bool reply : c.replies) RoundWith(reply ? Reply(kMain, 10) : Failure());
        const std::string last = w->lngLastLight == w->lngGreen    ? "green"
                                 : w->lngLastLight == w->lngYellow ? "yellow"
                                 : w->lngLastLight == w->lngRed    ? "red"
                                                                   : "none";
        EXPECT_EQ(last, c.last) << testing::PrintToString(c.replies);
        // Exactly one lamp lit.
        const int lit = (w->shpGd()->FillColor() != 0x004000) + (w->shpYel()->FillColor() != 0x008080) +
                        (w->shpBd()->FillColor() != 0x000080);
        EXPECT_EQ(lit, 1);
    }
}

TEST_F(ProbeRound, GreenIsGradedByTheLevels) {
    struct Case {
        uint32_t rtt;
        const char* level3;
        ColourValue colour;
    };
    const Case cases[] = {
        {0, "200", 0xC0FFC0},   {75, "200", 0xC0FFC0},  {76, "200", 0x80FF80},  {120, "200", 0x80FF80},
        {121, "200", 0x00FF00}, {200, "200", 0x00FF00}, {201, "200", 0x00C000}, {250, "300", 0x008000},
        {300, "300", 0x008000}, {301, "300", 0x00C000},
    };
    for (const Case& c : cases) {
        w->txtlvl(3)->SetText(c.level3);
        RoundWith(Reply(kMain, c.rtt));
        EXPECT_EQ(w->shpGd()->FillColor(), c.colour) << c.rtt;
        // The trip time and the status share the lamp's colour.
        EXPECT_EQ(forms::BackColor(w->lblTripTime()), c.colour);
        EXPECT_EQ(forms::BackColor(w->lblError()), c.colour);
        EXPECT_EQ(w->lblTripTime()->Caption(), QString::number(c.rtt));
        EXPECT_EQ(w->lblError()->Caption(), "OK");
    }
}

TEST_F(ProbeRound, AnEmptyLevelReadsAsZero) {
    w->txtlvl(0)->SetText("");
    RoundWith(Reply(kMain, 0));
    EXPECT_EQ(w->shpGd()->FillColor(), 0xC0FFC0u);
    RoundWith(Reply(kMain, 1));
    EXPECT_EQ(w->shpGd()->FillColor(), 0x80FF80u);
}

TEST_F(ProbeRound, FieldsAreReadWithZeroInFrontAndHeldInBounds) {
    struct Case {
        const char *ttl, *timeOut;
        uint8_t sentTtl;
        int32_t sentTimeOut;
    };
    const Case cases[] = {
        {"64", "250", 64, 250}, {"-5", "-5", 0, 1},       {"", "", 0, 1},          {"300", "5000", 255, 999},
        {"2.5", "0.4", 2, 1},   {"3.5", "999.5", 4, 999}, {"&H10", "1e3", 0, 999}, {"12ms", "12ms", 12, 12},
    };
    for (const Case& c : cases) {
        w->txtTimeToLive()->SetText(c.ttl);
        w->txtTimeOut()->SetText(c.timeOut);
        RoundWith(Reply(kMain, 5));
        EXPECT_EQ(rounds.back().ttl, c.sentTtl) << c.ttl;
        EXPECT_EQ(rounds.back().timeOut, c.sentTimeOut) << c.timeOut;
    }
}

TEST_F(ProbeRound, AReplyWithAnotherStatusIsGreenWithItsNumber) {
    RoundWith(Reply({192, 0, 2, 1}, 3, platform::ip_status::kTtlExpiredTransit));
    EXPECT_EQ(w->lngLastLight, w->lngGreen);
    EXPECT_EQ(w->lblError()->Caption(), "11013");
    EXPECT_EQ(w->lblGd()->Caption(), "1");
    EXPECT_EQ(w->iSite, 0);
    EXPECT_EQ(w->lblAddress(0)->Caption(), "198.51.100.1");  // the address label is not touched
}

TEST_F(ProbeRound, AFailureShowsTheErrorAndSwitchesSites) {
    RoundWith(Reply(kMain, 42));
    RoundWith(Failure());
    EXPECT_EQ(w->lblAddress(0)->Caption(), "ICMP ERROR");
    EXPECT_EQ(w->lblError()->Caption(), "11010");
    EXPECT_EQ(w->lblTripTime()->Caption(), "42");  // the last reply's time stays
    EXPECT_EQ(w->iSite, 1);
    EXPECT_TRUE(w->optIP(1)->Value());
    EXPECT_FALSE(w->optIP(0)->Value());
    EXPECT_EQ(w->lblAddress(1)->Caption(), "198.51.100.2");  // resolved afresh
    EXPECT_EQ(resolver.lookups.back(), "alt.test");
    // The next round probes the other site; a second failure switches back and re-resolves.
    echo.replies.push_back(Failure());
    w->RunProbeRound();
    EXPECT_EQ(rounds.back().destination, kAlt);
    EXPECT_EQ(w->iSite, 0);
    EXPECT_EQ(w->lblAddress(0)->Caption(), "198.51.100.1");
    EXPECT_EQ(w->lblAddress(1)->Caption(), "ICMP ERROR");
}

TEST_F(ProbeRound, AnUnresolvedSiteIsProbedAsZeroAndFails) {
    w->txtIP(0)->SetText("unknown.test");
    RoundWith(Reply(kMain, 1));  // not used: "0" is no address
    EXPECT_EQ(rounds.back().destination, (Octets{0, 0, 0, 0}));
}

TEST_F(ProbeRound, CountersTimesTipsAndIcons) {
    const QRegularExpression time("^\\d\\d:\\d\\d:\\d\\d$");
    frmSysTray& tray = TheSysTray();
    struct Step {
        bool reply;
        forms::Label* (frmPing::*counter)();
        forms::Label* (frmPing::*when)();
        const char* suffix;
        forms::PictureBox& picture;
    };
    const Step steps[] = {
        {false, &frmPing::lblYel, &frmPing::lbllastYel, " - TN Problem", tray.Picture2()},
        {false, &frmPing::lblBd, &frmPing::lbllastBd, " - TN Error", tray.Picture3()},
        {true, &frmPing::lblGd, &frmPing::lbllastGd, " - TN OK", tray.Picture1()},
    };
    for (const Step& s : steps) {
        const size_t calls = area.calls.size();
        RoundWith(s.reply ? Reply(kMain, 9) : Failure());
        EXPECT_EQ(((*w).*s.counter)()->Caption(), "1");
        const QString when = ((*w).*s.when)()->Caption();
        EXPECT_TRUE(time.match(when).hasMatch()) << when.toStdString();
        EXPECT_TRUE(w->lblStatus()->Caption().startsWith("Status at "));
        EXPECT_TRUE(time.match(w->lblStatus()->Caption().mid(10)).hasMatch());
        ASSERT_EQ(area.calls.size(), calls + 1);
        const auto& call = area.calls.back();
        EXPECT_EQ(call.kind, fakes::FakeNotificationArea::Kind::kModify);
        EXPECT_EQ(call.owner, tray.Picture4().hWnd());
        EXPECT_EQ(call.icon, s.picture.Picture());
        EXPECT_EQ(call.tip, when.toStdString() + s.suffix);
        EXPECT_EQ(w->Icon(), s.picture.Picture());
    }
    RoundWith(Reply(kMain, 9));
    EXPECT_EQ(w->lblGd()->Caption(), "2");
}

TEST_F(ProbeRound, TheLastLampIsPutOutBeforeTheRequest) {
    RoundWith(Failure());  // yellow lit
    RoundWith(Failure());  // red lit; yellow was out while this request was
    EXPECT_EQ(rounds.back().yellow, 0x008080u);
    RoundWith(Reply(kAlt, 5));
    EXPECT_EQ(rounds.back().red, 0x000080u);
    EXPECT_EQ(rounds.back().green, 0x004000u);
    RoundWith(Reply(kAlt, 5));
    EXPECT_EQ(rounds.back().green, 0x004000u);
    EXPECT_NE(w->shpGd()->FillColor(), 0x004000u);
}

TEST_F(ProbeRound, SetLightIgnoresValuesThatAreNoLight) {
    int32_t other = 0x123456;
    EXPECT_EQ(w->SetLight(other), 0x123456);
    EXPECT_EQ(w->lblGd()->Caption(), "");
    EXPECT_EQ(area.calls.size(), 1u);  // only the add of the load
}

}  // namespace
}  // namespace monitor_test
