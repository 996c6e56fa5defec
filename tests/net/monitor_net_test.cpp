// Probe rounds of the main window with the real probe, inside a namespace of our own.
#include <gtest/gtest.h>

#include "fakes/FakeNotificationArea.h"
#include "mainwindow/frmPing.h"
#include "net/Netns.h"
#include "probe/modPing.h"

namespace {

TEST(MonitorRound, RealRoundsAgainstTheLocalHostAndAHostThatDoesNotAnswer) {
    NETNS_REQUIRE();
    netns::Namespace ns("mon");
    ASSERT_TRUE(ns.ok());
    fakes::FakeNotificationArea area;
    fakes::ScopedNotificationArea scoped(area);

    frmPing w;
    w.Load();
    // The load opened the probe here; it is opened again inside the namespace.
    int32_t handle = 0;
    netns::InNamespace(ns.name(), [&] { handle = modPing::OpenIcmp(); });
    ASSERT_NE(handle, 0);
    w.txtIP(0)->SetText("127.0.0.1");
    w.txtIP(1)->SetText("127.0.0.2");
    w.txtTimeOut()->SetText("250");
    w.txtTimeToLive()->SetText("64");
    for (int16_t i = 0; i < 3; ++i) w.txtlvl(i)->SetText("200");

    w.ShowSiteAddress();
    w.RunProbeRound();
    EXPECT_EQ(w.lngLastLight, w.lngGreen);
    EXPECT_EQ(w.lblError()->Caption(), "OK");
    EXPECT_EQ(w.lblAddress(0)->Caption(), "127.0.0.1");
    EXPECT_EQ(w.lblGd()->Caption(), "1");
    bool numeric = false;
    EXPECT_LE(w.lblTripTime()->Caption().toInt(&numeric), 250);
    EXPECT_TRUE(numeric);

    ASSERT_TRUE(netns::Sysctl(ns.name(), "net/ipv4/icmp_echo_ignore_all", "1"));
    w.RunProbeRound();
    EXPECT_EQ(w.lngLastLight, w.lngYellow);
    EXPECT_EQ(w.lblError()->Caption(), "11010");
    EXPECT_EQ(w.lblAddress(0)->Caption(), "ICMP ERROR");
    EXPECT_EQ(w.iSite, 1);
    EXPECT_EQ(w.lblAddress(1)->Caption(), "127.0.0.2");
    modPing::CloseIcmp();
}

}  // namespace
