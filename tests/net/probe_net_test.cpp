// The probe over real sockets: a client, a router and a server namespace joined by veth pairs, and
// the system resolver in a namespace with its own hosts file. Needs root; skipped where it cannot run.
#include <sys/mount.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

#include "net/EchoResponder.h"
#include "net/Netns.h"
#include "platform/linux/LinuxEchoService.h"
#include "platform/linux/LinuxResolver.h"
#include "probe/modPing.h"

namespace {

using platform::IcmpSocketKind;
using Clock = std::chrono::steady_clock;
using B = netns::EchoResponder::Behaviour;

// client 192.0.2.2 -- 192.0.2.1 router 198.51.100.1 -- 198.51.100.2 server. The router forwards,
// has an unreachable route to 203.0.113.1 and a blackhole for 203.0.113.3; the client knows no
// route to 10.9.9.9. The server's kernel does not answer echoes: our responder does.
struct Topology {
    netns::Namespace client{"c"}, router{"r"}, server{"s"};
    bool ok =
        client.ok() && router.ok() && server.ok() &&
        netns::Run("set -e; c='ip -n " + client.name() + "'; r='ip -n " + router.name() + "'; s='ip -n " +
                   server.name() + "'; $c link add c0 type veth peer name r0 netns " + router.name() +
                   "; $r link add r1 type veth peer name s0 netns " + server.name() +
                   "; $c addr add 192.0.2.2/24 dev c0; $c link set c0 up; $r addr add 192.0.2.1/24 dev r0"
                   "; $r link set r0 up; $r addr add 198.51.100.1/24 dev r1; $r link set r1 up"
                   "; $s addr add 198.51.100.2/24 dev s0; $s link set s0 up"
                   "; $c route add 198.51.100.0/24 via 192.0.2.1; $c route add 203.0.113.0/24 via 192.0.2.1"
                   "; $s route add default via 198.51.100.1; $r route add unreachable 203.0.113.1/32"
                   "; $r route add blackhole 203.0.113.3/32") &&
        netns::Sysctl(router.name(), "net/ipv4/ip_forward", "1") &&
        netns::Sysctl(router.name(), "net/ipv4/icmp_ratelimit", "0") &&
        netns::Sysctl(server.name(), "net/ipv4/icmp_echo_ignore_all", "1");
};

struct Outcome {
    int32_t count = -1;
    std::string reply, status;
    int32_t roundTrip = -1;
    int64_t elapsedMs = 0;
};

class RoutedProbe : public testing::TestWithParam<IcmpSocketKind> {
  protected:
    static void SetUpTestSuite() {
        if (!netns::UnavailableReason().empty()) return;
        topology_ = new Topology();
        responder_ = new netns::EchoResponder(topology_->server.name());
    }
    static void TearDownTestSuite() {
        delete responder_;
        delete topology_;
    }
    void SetUp() override {
        NETNS_REQUIRE();
        ASSERT_TRUE(topology_->ok && responder_->ok());
        responder_->behaviour = B{};
        const bool ping = GetParam() == IcmpSocketKind::Datagram;
        ASSERT_TRUE(
            netns::Sysctl(topology_->client.name(), "net/ipv4/ping_group_range", ping ? "0 0" : "1 0"));
        netns::InNamespace(topology_->client.name(), [&] { probe_.OpenIcmp(); });
        ASSERT_EQ(echo_.SocketKind(), GetParam());
    }
    Outcome Ping(const std::string& address, int32_t timeOut = 1000, uint8_t ttl = 64) {
        Outcome o;
        const auto start = Clock::now();
        o.count = probe_.PingAddress(address, timeOut, ttl, o.reply, o.status, o.roundTrip);
        o.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        return o;
    }
    // A reply delayed D ms must read as D or D+1; more only when the machine was too busy to wake
    // the responder or the probe in time, so such a reading is tried again a few times.
    Outcome PingDelayed(int delayMs) {
        Outcome o;
        for (int i = 0; i < 5 && (i == 0 || (o.count == 1 && o.roundTrip > delayMs + 1)); ++i)
            o = Ping("198.51.100.2");
        EXPECT_EQ(o.count, 1);
        EXPECT_EQ(o.status, "0");
        EXPECT_GE(o.roundTrip, delayMs);
        EXPECT_LE(o.roundTrip, delayMs + 1);
        return o;
    }
    static Topology* topology_;
    static netns::EchoResponder* responder_;
    platform::LinuxEchoService echo_;
    platform::LinuxResolver resolver_;
    modPing::Engine probe_{echo_, resolver_};
};

Topology* RoutedProbe::topology_ = nullptr;
netns::EchoResponder* RoutedProbe::responder_ = nullptr;

TEST_P(RoutedProbe, ReplyThroughTheRouterCarriesTheRequestAsSent) {
    for (const uint8_t ttl : {uint8_t{64}, uint8_t{2}, uint8_t{0}}) {
        const Outcome o = Ping("  198.51.100.2 ", 1000, ttl);
        EXPECT_EQ(o.count, 1);
        EXPECT_EQ(o.reply + " " + o.status, "198.51.100.2 0");
        EXPECT_EQ(responder_->ttl, (ttl == 0 ? 64 : ttl) - 1);  // one hop
    }
    EXPECT_EQ(responder_->tos, 7);
    EXPECT_EQ(responder_->dontFragment, 1);
    for (const int delay : {0, 40}) {
        responder_->behaviour = B{.delayMs = delay};
        PingDelayed(delay);
    }
    const Outcome none = Ping("ICMP ERROR");  // refused without sending
    EXPECT_EQ(none.reply + " " + none.status + " " + std::to_string(none.roundTrip), "ICMP ERROR 11018 -1");
}

TEST_P(RoutedProbe, RouterReportsAreStoredRepliesAndLocalRouteErrorsFailAtOnce) {
    const Outcome expired = Ping("198.51.100.2", 1000, 1);
    EXPECT_EQ(expired.count, 1);
    EXPECT_EQ(expired.reply + " " + expired.status, "192.0.2.1 11013");
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // the router's limit on ICMP errors
    const Outcome unreachable = Ping("203.0.113.1");
    EXPECT_EQ(unreachable.count, 1);
    EXPECT_EQ(unreachable.reply + " " + unreachable.status, "192.0.2.1 11003");
    const Outcome noRoute = Ping("10.9.9.9");
    EXPECT_EQ(noRoute.count, 0);
    EXPECT_EQ(noRoute.reply + " " + noRoute.status + " " + std::to_string(noRoute.roundTrip),
              "ICMP ERROR 11002 -1");
}

TEST_P(RoutedProbe, BlackholeTimesOutOnTime) {
    const Outcome o = Ping("203.0.113.3", 200);
    EXPECT_EQ(o.count, 0);
    EXPECT_EQ(o.reply + " " + o.status + " " + std::to_string(o.roundTrip), "ICMP ERROR 11010 -1");
    EXPECT_GE(o.elapsedMs, 200);
    EXPECT_LE(o.elapsedMs, 250);
}

TEST_P(RoutedProbe, AnswersThatAreNotOursOrComeLateAreSkipped) {
    responder_->behaviour = B{.delayMs = 30, .noise = true};
    PingDelayed(30);  // the noise came first and was passed over
    responder_->behaviour = B{.silent = true, .noise = true};
    EXPECT_EQ(Ping("198.51.100.2", 150).status, "11010");
    responder_->behaviour = B{.duplicates = 5};
    EXPECT_EQ(Ping("198.51.100.2").status, "0");
    responder_->behaviour = B{.delayMs = 120};
    EXPECT_EQ(Ping("198.51.100.2", 60).status, "11010");
    // The duplicates and the late answer arrive while this request waits, and are passed over.
    responder_->behaviour = B{.delayMs = 100};
    const Outcome next = Ping("198.51.100.2");
    EXPECT_EQ(next.status, "0");
    EXPECT_GE(next.roundTrip, 100);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RoutedProbe, testing::Values(IcmpSocketKind::Datagram, IcmpSocketKind::Raw),
                         [](const auto& info) {
                             return info.param == IcmpSocketKind::Raw ? "Raw" : "Datagram";
                         });

// Resolves in a child that has entered the namespace and sees our hosts file, resolver and name
// service configuration in place of the system's; the namespace's DNS server is nobody.
TEST(ResolverNet, ResolvesThroughTheSystemResolver) {
    NETNS_REQUIRE();
    netns::Namespace ns("res");
    ASSERT_TRUE(ns.ok());
    const std::string dir = testing::TempDir();
    std::ofstream(dir + "hosts") << "198.51.100.7 box.test\n203.0.113.5 multi.test\n203.0.113.6 multi.test\n"
                                    "192.0.2.9 3com.test\n";
    std::ofstream(dir + "resolv.conf") << "nameserver 127.0.0.1\noptions timeout:1 attempts:1\n";
    std::ofstream(dir + "nsswitch.conf") << "hosts: files dns\n";
    const std::pair<std::string, std::string> cases[] = {
        {"box.test", "198.51.100.7"},
        {"multi.test", "203.0.113.5"},
        {"3com.test", "192.0.2.9"},
        {"nosuch.test", "0"},
        {"1x.2.3.4", "0"},
        {std::string("box.test\0x", 10), "0"},
        {" box.test", "0"},
        {"", "0"},
    };
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(("/run/netns/" + ns.name()).c_str(), O_RDONLY);
        int failures = setns(fd, CLONE_NEWNET) != 0 || unshare(CLONE_NEWNS) != 0 ||
                       mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0;
        for (const std::string file : {"hosts", "resolv.conf", "nsswitch.conf"})
            failures += mount((dir + file).c_str(), ("/etc/" + file).c_str(), nullptr, MS_BIND, nullptr) != 0;
        platform::LinuxResolver resolver;
        platform::LinuxEchoService echo;
        modPing::Engine probe(echo, resolver);
        for (const auto& [site, address] : cases) {
            const std::string got = probe.ResolveAddress(site);
            if (got != address)
                std::fprintf(stderr, "'%s': %s, not %s\n", site.c_str(), got.c_str(), address.c_str());
            failures += got != address;
        }
        _exit(failures);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
}

}  // namespace
