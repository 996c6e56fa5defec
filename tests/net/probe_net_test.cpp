// The probe over real sockets: a client, a router and a server namespace joined by veth pairs, and
// the system resolver in a namespace with its own hosts file. Needs root; skipped where it cannot run.
#include <fcntl.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "net/Netns.h"
#include "platform/linux/EchoWire.h"
#include "platform/linux/IcmpCodec.h"
#include "platform/linux/LinuxEchoService.h"
#include "platform/linux/LinuxResolver.h"
#include "probe/modPing.h"

namespace {

using platform::IcmpSocketKind;
using Clock = std::chrono::steady_clock;

// An echo responder of our own, on a raw ICMP socket in a namespace whose kernel does not answer
// echoes itself. It records the IP header fields of the last request and answers as told: after a
// delay, with duplicates, and with foreign, wrong and corrupted answers sent ahead of it.
class EchoResponder {
  public:
    struct Behaviour {
        int delayMs = 0;         // the real answer leaves this long after the request came in
        int16_t duplicates = 0;  // copies of the real answer sent after it
        bool silent = false;     // no real answer (the noise is still sent)
        bool noise = false;      // first: wrong sequence, identifier, data and checksum, and a cut reply
    };
    std::atomic<Behaviour> behaviour{Behaviour{}};
    std::atomic<int> ttl{0}, tos{0}, dontFragment{0};  // of the last request

    explicit EchoResponder(const std::string& ns) {
        netns::InNamespace(ns, [&] { fd_ = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP); });
        thread_ = std::thread([this] {
            while (!stop_) ServeOne();
        });
    }
    ~EchoResponder() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }

  private:
    void ServeOne() {
        uint8_t b[4096];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        pollfd pfd{fd_, POLLIN, 0};
        if (poll(&pfd, 1, 20) <= 0) return;
        const ssize_t n = recvfrom(fd_, b, sizeof b, 0, reinterpret_cast<sockaddr*>(&from), &len);
        const auto received = Clock::now();
        const size_t ihl = (b[0] & 0x0Fu) * 4;
        if (n < static_cast<ssize_t>(ihl + 8) || b[ihl] != platform::icmp::kTypeEchoRequest) return;
        tos = b[1], ttl = b[8], dontFragment = (b[6] & 0x40) != 0;
        // The request turned into a reply, with byte `at` flipped before or after the checksum.
        const auto answer = [&](size_t at = 0, uint8_t flip = 0, bool afterSum = false, size_t size = 0) {
            std::vector<uint8_t> m(b + ihl, b + n);
            m[0] = m[2] = m[3] = 0;
            m[at] ^= afterSum ? 0 : flip;
            const uint16_t sum = platform::icmp::Checksum(m);
            m[2] = static_cast<uint8_t>(sum >> 8), m[3] = static_cast<uint8_t>(sum);
            m[at] ^= afterSum ? flip : 0;
            sendto(fd_, m.data(), size ? size : m.size(), 0, reinterpret_cast<const sockaddr*>(&from),
                   sizeof from);
        };
        const Behaviour how = behaviour;
        if (how.noise)
            answer(7, 1), answer(4, 0xFF), answer(8, 1), answer(2, 0x5A, true), answer(0, 0, false, 6);
        if (how.silent) return;
        std::this_thread::sleep_until(received + std::chrono::milliseconds(how.delayMs));
        for (int i = 0; i <= how.duplicates; ++i) answer();
    }

    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

using B = EchoResponder::Behaviour;

// client 192.0.2.2 -- 192.0.2.1 router 198.51.100.1 -- 198.51.100.2 server. The router forwards,
// has an unreachable route to 203.0.113.1 and a blackhole for 203.0.113.3; the client knows no
// route to 10.9.9.9. The server's kernel does not answer echoes: our responder there does.
struct Topology {
    netns::Namespace client{"c"}, router{"r"}, server{"s"};
    bool ok =
        client.ok() && router.ok() && server.ok() &&
        netns::Run("set -e; c=" + client.name() + " r=" + router.name() + " s=" + server.name() +
                   "; ip -n $c link add c0 type veth peer name r0 netns $r"
                   "; ip -n $r link add r1 type veth peer name s0 netns $s"
                   "; up() { ip -n $1 addr add $3/24 dev $2; ip -n $1 link set $2 up; }; up $c c0 192.0.2.2"
                   "; up $r r0 192.0.2.1; up $r r1 198.51.100.1; up $s s0 198.51.100.2"
                   "; ip -n $c route add 198.51.100.0/24 via 192.0.2.1"
                   "; ip -n $c route add 203.0.113.0/24 via 192.0.2.1"
                   "; ip -n $s route add default via 198.51.100.1"
                   "; ip -n $r route add unreachable 203.0.113.1; ip -n $r route add blackhole 203.0.113.3"
                   "; ip netns exec $r sysctl -qw net.ipv4.ip_forward=1 net.ipv4.icmp_ratelimit=0"
                   "; ip netns exec $s sysctl -qw net.ipv4.icmp_echo_ignore_all=1");
    EchoResponder responder{server.name()};  // destroyed before the namespaces
};

const IcmpSocketKind kKinds[] = {IcmpSocketKind::Datagram, IcmpSocketKind::Raw, IcmpSocketKind::Helper};

// The echo service as the kind under test needs it: the ping socket, a raw socket of the test's own, or
// the echo helper (the ping socket closed, as the program uses it).
platform::EchoMechanisms MechanismsFor(IcmpSocketKind kind) {
    if (kind == IcmpSocketKind::Helper) return {.rawInProcess = false, .helper = TN_ECHO_HELPER};
    return {};
}

// Opens `echo` in the namespace with the ping socket allowed for the Datagram kind only.
void OpenIn(const netns::Namespace& ns, IcmpSocketKind kind, const std::function<void()>& open) {
    const char* groups = kind == IcmpSocketKind::Datagram ? "0 0" : "1 0";
    ASSERT_TRUE(netns::Sysctl(ns.name(), "net/ipv4/ping_group_range", groups));
    netns::InNamespace(ns.name(), open);
}

class RoutedProbe : public testing::TestWithParam<IcmpSocketKind> {
  protected:
    void SetUp() override {
        NETNS_REQUIRE();
        topology_ = std::make_unique<Topology>();
        ASSERT_TRUE(topology_->ok);  // without the responder's socket, no answers come
        OpenIn(topology_->client, GetParam(), [&] { probe_.OpenIcmp(); });
        ASSERT_EQ(echo_.SocketKind(), GetParam());
    }
    // "count replyAddress status"; the round trip and the time taken are kept in members.
    std::string Ping(const std::string& address, int32_t timeOut = 999, uint8_t ttl = 64) {
        std::string reply, status;
        const auto start = Clock::now();
        const int32_t count = probe_.PingAddress(address, timeOut, ttl, reply, status, roundTrip_);
        elapsedMs_ = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        return std::to_string(count) + " " + reply + " " + status;
    }
    std::unique_ptr<Topology> topology_;
    platform::LinuxEchoService echo_{MechanismsFor(GetParam())};
    platform::LinuxResolver resolver_;
    modPing::Engine probe_{echo_, resolver_};
    int32_t roundTrip_ = -1;
    int64_t elapsedMs_ = 0;
};

TEST_P(RoutedProbe, RepliesReportsErrorsAndSilenceAreToldApart) {
    cpu_set_t before{}, after{};  // the cores this thread may run on, as they were
    sched_getaffinity(0, sizeof before, &before);
    EXPECT_EQ(Ping("  198.51.100.2 ", 999, 0), "1 198.51.100.2 0");
    EXPECT_TRUE(sched_getaffinity(0, sizeof after, &after) == 0 && CPU_EQUAL(&before, &after));
    if (GetParam() == IcmpSocketKind::Helper) {  // it sends the probe's requests and no other
        const auto other =
            echo_.SendEcho(probe_.IcmpHandle(), {198, 51, 100, 2}, std::vector<uint8_t>(33, 0x20),
                           platform::echo_request::Options(64), 999);
        EXPECT_EQ(other.error, platform::ip_status::kGeneralFailure);
    }
    const EchoResponder& s = topology_->responder;  // what the request carried on the wire
    EXPECT_EQ(std::tuple(s.ttl.load(), s.tos.load(), s.dontFragment.load()), std::tuple(63, 7, 1));
    // A reply delayed D ms must read as D or D+1; more only when the machine was too busy to wake
    // the responder or the probe in time, so such a reading is tried again a few times.
    for (const int delay : {0, 40}) {
        topology_->responder.behaviour = B{.delayMs = delay, .noise = true};
        for (int i = 0; i < 5 && (i == 0 || roundTrip_ > delay + 1); ++i)
            EXPECT_EQ(Ping("198.51.100.2"), "1 198.51.100.2 0");
        EXPECT_TRUE(roundTrip_ >= delay && roundTrip_ <= delay + 1) << roundTrip_;  // noise passed over
    }
    EXPECT_EQ(Ping("ICMP ERROR"), "0 ICMP ERROR 11018");  // refused without sending
    // Router reports are stored replies; local route errors fail at once.
    EXPECT_EQ(Ping("198.51.100.2", 999, 1), "1 192.0.2.1 11013");
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // the router's limit on ICMP errors
    EXPECT_EQ(Ping("203.0.113.1"), "1 192.0.2.1 11003");
    EXPECT_EQ(Ping("10.9.9.9"), "0 ICMP ERROR 11002");
    // Silence times out on time, and late or foreign answers are no answers.
    EXPECT_EQ(Ping("203.0.113.3", 200), "0 ICMP ERROR 11010");
    EXPECT_TRUE(elapsedMs_ >= 200 && elapsedMs_ <= 250) << elapsedMs_;
    topology_->responder.behaviour = B{.silent = true, .noise = true};
    EXPECT_EQ(Ping("198.51.100.2", 150), "0 ICMP ERROR 11010");
    topology_->responder.behaviour = B{.delayMs = 120, .duplicates = 5};
    EXPECT_EQ(Ping("198.51.100.2", 60), "0 ICMP ERROR 11010");
    // The late answer and its duplicates arrive while this request waits, and are passed over.
    topology_->responder.behaviour = B{.delayMs = 100};
    EXPECT_EQ(Ping("198.51.100.2"), "1 198.51.100.2 0");
    EXPECT_GE(roundTrip_, 100);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RoutedProbe, testing::ValuesIn(kKinds));

// A capture of what passes `device`, with the kernel's stamps (ETH_P_ALL: only such see what leaves).
int OpenCapture(const char* device) {
    const int fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_ALL));
    const int on = 1, size = 16 << 20;
    sockaddr_ll at{};
    at.sll_family = AF_PACKET, at.sll_protocol = htons(ETH_P_ALL);
    at.sll_ifindex = static_cast<int>(if_nametoindex(device));
    setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size);
    return bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 ? fd : -1;
}

// The echoes waiting on the capture, with the kernel's stamps. The kernel turns its stamps on for the
// whole system from a work queue some time after the first socket asks for them (the busy loops delay
// it); until then each message is stamped as it is read: `atRead` tells.
struct Captured {
    bool request = false;
    uint16_t sequence = 0;
    int64_t stampNs = 0;
    bool atRead = false;
};
std::vector<Captured> ReadCapture(int fd) {
    std::vector<Captured> echoes;
    uint8_t b[256];
    alignas(cmsghdr) uint8_t control[64];
    iovec iov{b, sizeof b};
    for (msghdr msg{};; msg = {}) {
        msg.msg_iov = &iov, msg.msg_iovlen = 1, msg.msg_control = control,
        msg.msg_controllen = sizeof control;
        timespec before{};
        clock_gettime(CLOCK_REALTIME, &before);
        const ssize_t n = recvmsg(fd, &msg, MSG_DONTWAIT);
        if (n < 0) break;
        const size_t ihl = (b[0] & 0x0Fu) * 4;
        const auto stamp = platform::ReceiveStampNs(msg);
        if (static_cast<size_t>(n) < ihl + 8 || b[0] >> 4 != 4 || b[9] != platform::icmp::kProtocolIcmp ||
            !stamp ||
            (b[ihl] != platform::icmp::kTypeEchoRequest && b[ihl] != platform::icmp::kTypeEchoReply))
            continue;
        echoes.push_back({b[ihl] == platform::icmp::kTypeEchoRequest,
                          static_cast<uint16_t>(b[ihl + 6] << 8 | b[ihl + 7]), *stamp,
                          *stamp >= before.tv_sec * int64_t{1'000'000'000} + before.tv_nsec});
    }
    return echoes;
}

// The round trips of the captured echoes, in ns from request to reply, in the order the requests left.
std::vector<int64_t> WireRoundTrips(const std::vector<Captured>& echoes) {
    std::map<uint16_t, int64_t> replies;  // by sequence number
    for (const Captured& e : echoes)
        if (!e.request) replies[e.sequence] = e.stampNs;
    std::vector<int64_t> trips;
    for (const Captured& e : echoes)
        if (e.request) trips.push_back(replies.at(e.sequence) - e.stampNs);
    return trips;
}

// Every kind reports the round trip the wire saw (kernel stamps on the client's veth; the router
// answers), not that plus the time the probe waited: for a core, with six busy loops on the cores
// (mostly after the answer came), and for the device, behind a queue that holds each request about
// 3.7 ms (a token bucket filled at 18.5 kB/s, a request being 74 bytes).
TEST(ProbeUnderLoad, RoundTripsAreTheWiresWithSixBusyLoopsAndAQueueBeforeTheDevice) {
    NETNS_REQUIRE();
    const Topology topology;
    ASSERT_TRUE(topology.ok);
    std::vector<std::jthread> loops;  // stopped and joined however the test ends
    for (int i = 0; i < 6; ++i)
        loops.emplace_back([](std::stop_token stop) {
            while (!stop.stop_requested()) continue;
        });
    const std::string queue = "ip netns exec " + topology.client.name() + " tc qdisc ";
    for (const auto kind : kKinds) {
        platform::LinuxEchoService echo(MechanismsFor(kind));
        int capture = -1, handle = 0;
        OpenIn(topology.client, kind, [&] { capture = OpenCapture("c0"), handle = echo.Open(); });
        ASSERT_TRUE(capture >= 0 && echo.SocketKind() == kind);
        const auto probe = [&] {
            return echo.SendEcho(handle, {192, 0, 2, 1}, std::vector<uint8_t>(32, 0x20), {64, 7, 2}, 999);
        };
        // Without the kernel's stamps there is no wire time to hold the reports to.
        bool stamped = false;
        for (int i = 0; i < 10'000 && !stamped; ++i) {
            const std::vector<Captured> echoes = (probe(), ReadCapture(capture));
            stamped = !echoes.empty() &&
                      std::none_of(echoes.begin(), echoes.end(), [](const Captured& e) { return e.atRead; });
        }
        ASSERT_TRUE(stamped) << "the kernel never stamped the capture's packets";
        std::vector<int64_t> reported;
        for (int i = 0; i < 520; ++i) {
            if (i == 500) {
                ASSERT_TRUE(netns::Run(queue + "add dev c0 root tbf rate 148kbit burst 80 limit 1000"));
            }
            const auto r = probe();
            ASSERT_EQ(r.count, 1u) << r.error;
            reported.push_back(int64_t{r.roundTripMs} * 1'000'000);
        }
        ASSERT_TRUE(netns::Run(queue + "del dev c0 root"));
        const std::vector<int64_t> wire = WireRoundTrips(ReadCapture(capture));
        close(capture);
        ASSERT_EQ(wire.size(), reported.size());
        int64_t worstExcess = INT64_MIN;
        for (size_t i = 0; i < wire.size(); ++i) worstExcess = std::max(worstExcess, reported[i] - wire[i]);
        // Whole milliseconds, cut: at most 1 ms above the wire's time.
        EXPECT_LE(worstExcess, 1'000'000) << static_cast<int>(kind);
    }
}

// Resolves on a thread that has entered the namespace and a mount namespace of its own, where our
// hosts file stands in for the system's. A DNS server is out of reach: the namespace has only loopback.
// The helper carries a file capability, so anyone may start it: it keeps nothing of its start but its
// channel, neither the descriptors it was handed nor the environment.
TEST(EchoHelper, KeepsNoDescriptorNorEnvironmentOfItsStart) {
    NETNS_REQUIRE();  // its raw socket
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
    const int stray = open("/dev/null", O_RDONLY);  // handed on
    char path[] = TN_ECHO_HELPER, secret[] = "TN_STRAY=left behind";
    char *argv[] = {path, nullptr}, *envp[] = {secret, nullptr};
    const pid_t pid = fork();
    if (pid == 0) _exit(dup2(pair[1], 0) == 0 ? execve(path, argv, envp) : 127);
    close(pair[1]), close(stray);
    uint8_t ready = 0;
    EXPECT_TRUE(read(pair[0], &ready, 1) == 1 && ready == platform::wire::kReady);
    const std::string proc = "/proc/" + std::to_string(pid);
    std::vector<std::string> open;  // the channel and the raw socket, no more
    for (const auto& fd : std::filesystem::directory_iterator(proc + "/fd"))
        open.push_back(std::filesystem::read_symlink(fd.path()).string().substr(0, 7));
    EXPECT_EQ(open, std::vector<std::string>(2, "socket:"));
    std::ifstream environ(proc + "/environ");
    const std::string text((std::istreambuf_iterator<char>(environ)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(!text.empty() && text.find_first_not_of('\0') == std::string::npos) << text;  // read, blank
    kill(pid, SIGKILL), close(pair[0]);
    EXPECT_EQ(waitpid(pid, nullptr, 0), pid);
}

TEST(ResolverNet, ResolvesThroughTheSystemResolver) {
    NETNS_REQUIRE();
    netns::Namespace ns("res");  // entering it fails the test when it could not be made
    const std::string hosts = testing::TempDir() + "hosts";
    std::ofstream(hosts) << "198.51.100.7 box.test\n203.0.113.5 multi.test\n203.0.113.6 multi.test\n";
    netns::InNamespace(ns.name(), [&] {
        ASSERT_EQ(unshare(CLONE_NEWNS), 0);
        ASSERT_EQ(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
        ASSERT_EQ(mount(hosts.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr), 0);
        platform::LinuxEchoService echo;
        platform::LinuxResolver resolver;
        modPing::Engine probe(echo, resolver);
        std::string got;
        for (const std::string site : {"box.test", "multi.test", "nosuch.test", "1x.2.3.4", " box.test", ""})
            got += probe.ResolveAddress(site) + ",";
        EXPECT_EQ(got + probe.ResolveAddress(std::string("box.test\0x", 10)),
                  "198.51.100.7,203.0.113.5,0,0,0,0,0");
    });
}

}  // namespace
