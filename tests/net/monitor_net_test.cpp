// Probe rounds of the main window with the real probe, inside a namespace of our own.
#include <gtest/gtest.h>

#include "fakes/Fakes.h"
#include "mainwindow/modPingAuto.h"
#include "net/Netns.h"
#include "platform/linux/LinuxEchoService.h"
#include "platform/linux/LinuxResolver.h"

namespace {

TEST(MonitorRound, RealRoundsAgainstTheLocalHostAndAHostThatDoesNotAnswer) {
    NETNS_REQUIRE();
    netns::Namespace ns("mon");
    ASSERT_TRUE(ns.ok());
    fakes::FakeServices f;
    platform::LinuxEchoService echo;
    platform::LinuxResolver resolver;
    modPingAuto::Program program({echo, resolver, f.clock, f.settings, f.registry, f.area, f.dialogs, f.help,
                                  f.end, f.single, f.location});
    frmPing& w = program.Window();
    // The probe is opened inside the namespace, before the load (which keeps an open handle).
    netns::InNamespace(ns.name(), [&] { w.Load(); });
    ASSERT_TRUE(w.IsLoaded());
    w.txtIP(0)->SetText("127.0.0.1");
    w.txtIP(1)->SetText("127.0.0.2");
    for (int16_t i = 0; i < 3; ++i) w.txtlvl(i)->SetText("200");
    monitor::Monitor& m = w.Monitor();

    m.ShowSiteAddress();
    m.RunProbeRound();
    EXPECT_EQ(m.lngLastLight, m.lngGreen);
    EXPECT_EQ(w.lblError()->Caption(), "OK");
    EXPECT_EQ(w.lblGd()->Caption(), "1");
    bool numeric = false;
    EXPECT_LE(w.lblTripTime()->Caption().toInt(&numeric), 250);
    EXPECT_TRUE(numeric);
    EXPECT_EQ(f.area.Tip().substr(8), " - TN OK");

    ASSERT_TRUE(netns::Sysctl(ns.name(), "net/ipv4/icmp_echo_ignore_all", "1"));
    m.RunProbeRound();
    EXPECT_EQ(m.lngLastLight, m.lngYellow);
    EXPECT_EQ(w.lblError()->Caption(), "11010");
    EXPECT_EQ(w.lblAddress(0)->Caption(), "ICMP ERROR");
    EXPECT_EQ(m.iSite, 1);
    EXPECT_EQ(w.lblAddress(1)->Caption(), "127.0.0.2");
}

}  // namespace
