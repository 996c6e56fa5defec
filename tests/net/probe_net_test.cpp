// The echo probe against real sockets: loopback inside namespaces of our own, and a client, a router
// and a server joined by veth pairs. Needs root; skipped (failed in CI) where it cannot run.
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "net/EchoResponder.h"
#include "net/Netns.h"
#include "platform/EchoService.h"
#include "platform/linux/LinuxEchoService.h"
#include "probe/modPing.h"

namespace {

using platform::IcmpSocketKind;
using Clock = std::chrono::steady_clock;
namespace st = platform::ip_status;

struct Outcome {
    int32_t count = -1;
    std::string replyAddress;
    std::string status;
    int32_t roundTrip = -1;
    int64_t elapsedMs = 0;
};

Outcome Ping(const std::string& address, int32_t timeOut = 1000, uint8_t ttl = 64) {
    Outcome o;
    const auto start = Clock::now();
    o.count = modPing::PingAddress(address, timeOut, ttl, o.replyAddress, o.status, o.roundTrip);
    o.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    return o;
}

IcmpSocketKind OpenKind() {
    auto* service = dynamic_cast<platform::LinuxEchoService*>(&modPing::CurrentEchoService());
    return service ? service->SocketKind() : IcmpSocketKind::None;
}

const char* KindName(IcmpSocketKind kind) {
    return kind == IcmpSocketKind::Datagram ? "Datagram" : "Raw";
}

// Opens the probe inside a namespace, allowing or refusing the ping socket there first.
int32_t OpenIn(const std::string& ns, IcmpSocketKind kind) {
    EXPECT_TRUE(netns::Sysctl(ns, "net/ipv4/ping_group_range",
                              kind == IcmpSocketKind::Datagram ? "0 2147483647" : "1 0"));
    int32_t handle = 0;
    netns::InNamespace(ns, [&] { handle = modPing::OpenIcmp(); });
    return handle;
}

// Drops CAP_NET_RAW from the calling thread only.
bool DropRawCapability() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    data[0].effective &= ~(1u << CAP_NET_RAW);
    data[0].permitted &= ~(1u << CAP_NET_RAW);
    return syscall(SYS_capset, &header, data) == 0;
}

class LoopbackProbe : public testing::TestWithParam<IcmpSocketKind> {
  protected:
    void SetUp() override {
        NETNS_REQUIRE();
        ns_ = std::make_unique<netns::Namespace>("lo");
        ASSERT_TRUE(ns_->ok());
        ASSERT_NE(OpenIn(ns_->name(), GetParam()), 0);
        ASSERT_EQ(OpenKind(), GetParam());
    }
    void TearDown() override { modPing::CloseIcmp(); }
    std::unique_ptr<netns::Namespace> ns_;
};

TEST_P(LoopbackProbe, EchoesTheLocalHost) {
    for (const std::string address : {"127.0.0.1", "  127.0.0.1  ", "127.0.0.2"}) {
        const Outcome o = Ping(address);
        EXPECT_EQ(o.count, 1) << address;
        EXPECT_EQ(o.replyAddress, address == "127.0.0.2" ? "127.0.0.2" : "127.0.0.1");
        EXPECT_EQ(o.status, "0");
        EXPECT_GE(o.roundTrip, 0);
        EXPECT_LE(o.roundTrip, 1000);
    }
}

TEST_P(LoopbackProbe, ManyRequestsInARowEachGetTheirOwnAnswer) {
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(Ping("127.0.0.1", 1000, static_cast<uint8_t>(i)).status, "0") << i;
}

TEST_P(LoopbackProbe, NoAddressIsRefusedWithoutSending) {
    for (const std::string address : {"0.0.0.0", "ICMP ERROR", "", "abc"}) {
        const Outcome o = Ping(address);
        EXPECT_EQ(o.count, 0) << address;
        EXPECT_EQ(o.replyAddress, "ICMP ERROR");
        EXPECT_EQ(o.status, "11018");
        EXPECT_EQ(o.roundTrip, -1);
    }
}

TEST_P(LoopbackProbe, SilenceTimesOutAndKeepsTheRoundTrip) {
    ASSERT_TRUE(netns::Sysctl(ns_->name(), "net/ipv4/icmp_echo_ignore_all", "1"));
    const Outcome o = Ping("127.0.0.1", 100);
    EXPECT_EQ(o.count, 0);
    EXPECT_EQ(o.replyAddress, "ICMP ERROR");
    EXPECT_EQ(o.status, "11010");
    EXPECT_EQ(o.roundTrip, -1);
    EXPECT_GE(o.elapsedMs, 100);
}

INSTANTIATE_TEST_SUITE_P(Kinds, LoopbackProbe, testing::Values(IcmpSocketKind::Datagram, IcmpSocketKind::Raw),
                         [](const auto& info) { return KindName(info.param); });

TEST(OpenIcmp, ReturnsZeroWhenNeitherSocketIsAllowed) {
    NETNS_REQUIRE();
    netns::Namespace ns("deny");
    ASSERT_TRUE(ns.ok());
    ASSERT_TRUE(netns::Sysctl(ns.name(), "net/ipv4/ping_group_range", "1 0"));
    int32_t handle = -1;
    netns::InNamespace(ns.name(), [&] {
        ASSERT_TRUE(DropRawCapability());
        handle = modPing::OpenIcmp();
    });
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(modPing::IcmpHandle(), 0);
    const Outcome o = Ping("127.0.0.1");
    EXPECT_EQ(o.count, 0);
    EXPECT_EQ(o.replyAddress, "ICMP ERROR");
    modPing::CloseIcmp();
}

// The router limits the errors it sends to one source to about one a second (its token bucket is
// shared with every other ICMP error it sends there); the cases are spaced out so each gets its report.
void SpaceRouteError() {
    static Clock::time_point last = Clock::now() - std::chrono::seconds(10);
    std::this_thread::sleep_until(last + std::chrono::milliseconds(1100));
    last = Clock::now();
}

class RoutedProbe : public testing::TestWithParam<IcmpSocketKind> {
  protected:
    static void SetUpTestSuite() {
        if (!netns::UnavailableReason().empty()) return;
        topology_ = new netns::Topology();
        if (topology_->ok()) responder_ = new netns::EchoResponder(topology_->server().name());
    }
    static void TearDownTestSuite() {
        delete responder_;
        delete topology_;
        responder_ = nullptr;
        topology_ = nullptr;
    }
    void SetUp() override {
        NETNS_REQUIRE();
        ASSERT_TRUE(topology_ && topology_->ok()) << "topology could not be built";
        ASSERT_TRUE(responder_ && responder_->ok()) << "responder could not open its socket";
        responder_->SetBehaviour({});
        responder_->ClearRequests();
        ASSERT_NE(OpenIn(topology_->client().name(), GetParam()), 0);
        ASSERT_EQ(OpenKind(), GetParam());
    }
    void TearDown() override { modPing::CloseIcmp(); }

    static netns::Topology* topology_;
    static netns::EchoResponder* responder_;
};

netns::Topology* RoutedProbe::topology_ = nullptr;
netns::EchoResponder* RoutedProbe::responder_ = nullptr;

using A = netns::Addresses;

TEST_P(RoutedProbe, ReplyThroughTheRouterCarriesTheRequestAsSent) {
    const Outcome o = Ping(A::kServer, 1000, 64);
    EXPECT_EQ(o.count, 1);
    EXPECT_EQ(o.replyAddress, A::kServer);
    EXPECT_EQ(o.status, "0");
    const auto requests = responder_->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].tos, 7);
    EXPECT_TRUE(requests[0].dontFragment);
    EXPECT_EQ(requests[0].ttl, 63);  // one hop
    EXPECT_EQ(requests[0].data, std::vector<uint8_t>(32, 0x20));
}

TEST_P(RoutedProbe, TimeToLiveIsTheCallersOrTheSystemDefaultForZero) {
    for (const uint8_t ttl : {uint8_t{2}, uint8_t{200}, uint8_t{255}, uint8_t{0}}) {
        responder_->ClearRequests();
        ASSERT_EQ(Ping(A::kServer, 1000, ttl).status, "0") << int(ttl);
        const auto requests = responder_->Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].ttl, (ttl == 0 ? 64 : ttl) - 1) << int(ttl);
    }
}

TEST_P(RoutedProbe, TimeToLiveOfOneIsReportedByTheRouter) {
    SpaceRouteError();
    const Outcome o = Ping(A::kServer, 1000, 1);
    EXPECT_EQ(o.count, 1);
    EXPECT_EQ(o.replyAddress, A::kRouterNear);
    EXPECT_EQ(o.status, "11013");
    EXPECT_GE(o.roundTrip, 0);
    EXPECT_TRUE(responder_->Requests().empty());
}

TEST_P(RoutedProbe, RouterErrorsAreStoredReplies) {
    const std::pair<const char*, const char*> cases[] = {
        {A::kRouterUnreachable, "11003"}, {A::kRouterProhibit, "11003"}, {A::kRouterNoRoute, "11002"}};
    for (const auto& [address, status] : cases) {
        SpaceRouteError();
        const Outcome o = Ping(address);
        EXPECT_EQ(o.count, 1) << address;
        EXPECT_EQ(o.replyAddress, A::kRouterNear) << address;
        EXPECT_EQ(o.status, status) << address;
    }
}

TEST_P(RoutedProbe, LocalRouteErrorsFailAtOnce) {
    const std::pair<const char*, const char*> cases[] = {{A::kClientNoRoute, "11002"},
                                                         {A::kClientUnreachable, "11003"}};
    for (const auto& [address, status] : cases) {
        const Outcome o = Ping(address);
        EXPECT_EQ(o.count, 0) << address;
        EXPECT_EQ(o.replyAddress, "ICMP ERROR");
        EXPECT_EQ(o.status, status) << address;
        EXPECT_EQ(o.roundTrip, -1);
    }
}

TEST_P(RoutedProbe, BlackholeTimesOutOnTime) {
    const Outcome o = Ping(A::kRouterBlackhole, 200);
    EXPECT_EQ(o.count, 0);
    EXPECT_EQ(o.status, "11010");
    EXPECT_GE(o.elapsedMs, 200);
    EXPECT_LE(o.elapsedMs, 250);
}

TEST_P(RoutedProbe, ASilentServerTimesOut) {
    responder_->SetBehaviour({.silent = true});
    const Outcome o = Ping(A::kServer, 150);
    EXPECT_EQ(o.count, 0);
    EXPECT_EQ(o.status, "11010");
    EXPECT_EQ(responder_->Requests().size(), 1u);
}

// A reply delayed D ms must read as D or D+1. Never less; more only when this machine was too busy
// to wake the responder or the probe in time, so a reading above D+1 is tried again a few times.
Outcome PingDelayed(int delayMs) {
    Outcome o;
    for (int attempt = 0; attempt < 5; ++attempt) {
        o = Ping(netns::Addresses::kServer);
        if (o.count != 1 || o.roundTrip < delayMs || o.roundTrip <= delayMs + 1) break;
    }
    return o;
}

TEST_P(RoutedProbe, RoundTripIsTheDelayInWholeMilliseconds) {
    for (const int delay : {0, 7, 40}) {
        responder_->SetBehaviour({.delayMs = delay});
        const Outcome o = PingDelayed(delay);
        ASSERT_EQ(o.status, "0");
        EXPECT_GE(o.roundTrip, delay);
        EXPECT_LE(o.roundTrip, delay + 1);
    }
}

TEST_P(RoutedProbe, AnswersThatAreNotOursAreSkipped) {
    const netns::EchoResponder::Behaviour noisy[] = {
        {.delayMs = 30, .stale = true},
        {.delayMs = 30, .foreign = true},
        {.delayMs = 30, .wrongPayload = true},
        {.delayMs = 30, .malformed = true},
        {.delayMs = 30, .stale = true, .foreign = true, .wrongPayload = true, .malformed = true},
    };
    for (const auto& b : noisy) {
        responder_->SetBehaviour(b);
        const Outcome o = PingDelayed(30);
        EXPECT_EQ(o.count, 1);
        EXPECT_EQ(o.status, "0");
        EXPECT_GE(o.roundTrip, 30);  // the noise came first and was passed over
        EXPECT_LE(o.roundTrip, 31);
    }
    // Only noise: the wait goes on to the time-out.
    responder_->SetBehaviour(
        {.silent = true, .stale = true, .foreign = true, .wrongPayload = true, .malformed = true});
    const Outcome o = Ping(A::kServer, 150);
    EXPECT_EQ(o.count, 0);
    EXPECT_EQ(o.status, "11010");
}

TEST_P(RoutedProbe, DuplicatesOfAnEarlierAnswerDoNotAnswerTheNextRequest) {
    responder_->SetBehaviour({.delayMs = 0, .duplicates = 5});
    ASSERT_EQ(Ping(A::kServer).status, "0");
    responder_->SetBehaviour({.delayMs = 25});
    const Outcome o = Ping(A::kServer);
    EXPECT_EQ(o.status, "0");
    EXPECT_GE(o.roundTrip, 25);
}

TEST_P(RoutedProbe, LateAnswersAreNoAnswers) {
    responder_->SetBehaviour({.delayMs = 120});
    const Outcome late = Ping(A::kServer, 60);
    EXPECT_EQ(late.count, 0);
    EXPECT_EQ(late.status, "11010");
    // The late answer to the first request arrives while the second waits, and is passed over.
    responder_->SetBehaviour({.delayMs = 100});
    const Outcome next = Ping(A::kServer, 1000);
    EXPECT_EQ(next.status, "0");
    EXPECT_GE(next.roundTrip, 100);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RoutedProbe, testing::Values(IcmpSocketKind::Datagram, IcmpSocketKind::Raw),
                         [](const auto& info) { return KindName(info.param); });

}  // namespace
