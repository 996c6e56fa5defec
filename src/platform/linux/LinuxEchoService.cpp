#include "platform/linux/LinuxEchoService.h"

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <optional>
#include <span>
#include <utility>

#include "platform/linux/Capabilities.h"
#include "platform/linux/IcmpCodec.h"

namespace platform {

namespace {

// Any port: connecting a datagram socket sends nothing.
constexpr uint16_t kRouteProbePort = 9;

constexpr int64_t kNsPerMs = 1'000'000;

int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

uint16_t RandomU16() {
    uint16_t value = 0;
    if (getrandom(&value, sizeof value, GRND_NONBLOCK) != sizeof value) {
        value = static_cast<uint16_t>(getpid() ^ MonotonicNs());
    }
    return value;
}

icmp::Octets OctetsOf(const in_addr& a) {
    icmp::Octets o{};
    std::memcpy(o.data(), &a.s_addr, 4);
    return o;
}

EchoReply Failure(uint32_t error) {
    EchoReply r;
    r.error = error;
    return r;
}

bool OpenRefused(int error) {
    return error == EACCES || error == EPERM || error == EAFNOSUPPORT || error == EPROTONOSUPPORT;
}

// Receive buffers: an IP header of at most 60 bytes, the ICMP header and a quoted packet or our data.
constexpr size_t kPacketBuffer = 4096;

// The request on its way: what answers it and when it left.
struct Pending {
    int fd = -1;
    icmp::Expected expected;
    int64_t start = 0;
    int64_t timeoutNs = 0;
};

// A stored answer that came in at `at`; one that comes in after the time-out is no answer.
EchoReply Stored(const Pending& p, const icmp::Match& m, int64_t at) {
    const int64_t rttMs = (at - p.start) / kNsPerMs;
    if (rttMs > p.timeoutNs / kNsPerMs) return Failure(ip_status::kReqTimedOut);
    EchoReply r;
    r.count = 1;
    r.address = m.from;
    r.status =
        m.answer == icmp::Answer::EchoReply ? ip_status::kSuccess : *icmp::StatusForIcmp(m.type, m.code);
    r.roundTripMs = static_cast<uint32_t>(rttMs);
    return r;
}

std::span<const uint8_t> Received(const uint8_t* buffer, ssize_t n) {
    return {buffer, static_cast<size_t>(n) < kPacketBuffer ? static_cast<size_t>(n) : kPacketBuffer};
}

// Everything queued on the socket: skips what is not the answer to this request.
std::optional<EchoReply> ReadQueued(const Pending& p, IcmpSocketKind kind) {
    uint8_t buffer[kPacketBuffer];
    for (int failures = 0; failures < 8;) {
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t n = ::recvfrom(p.fd, buffer, sizeof buffer, MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            // A pending socket error (an ICMP report): the report itself is on the error queue.
            ++failures;
            continue;
        }
        const int64_t at = MonotonicNs();
        const auto got = Received(buffer, n);
        const icmp::Match m = kind == IcmpSocketKind::Raw
                                  ? icmp::MatchRawPacket(got, p.expected)
                                  : icmp::MatchDatagram(got, OctetsOf(from.sin_addr), p.expected);
        if (m.answer != icmp::Answer::None) return Stored(p, m, at);
    }
    return std::nullopt;
}

// The answer an extended error of the error queue carries, if it is one.
std::optional<EchoReply> FromExtendedError(const Pending& p, msghdr& msg, int64_t at) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR) continue;
        if (c->cmsg_len < CMSG_LEN(sizeof(sock_extended_err))) continue;
        sock_extended_err ee{};
        std::memcpy(&ee, CMSG_DATA(c), sizeof ee);
        if (ee.ee_origin == SO_EE_ORIGIN_LOCAL) return Failure(icmp::StatusForSendError(ee.ee_errno));
        if (ee.ee_origin != SO_EE_ORIGIN_ICMP || !icmp::StatusForIcmp(ee.ee_type, ee.ee_code)) continue;
        icmp::Match m{icmp::Answer::ErrorReport, ee.ee_type, ee.ee_code, {}};
        // The reporter's address follows the extended error in the same message.
        if (c->cmsg_len >= CMSG_LEN(sizeof(sock_extended_err) + sizeof(sockaddr_in))) {
            sockaddr_in offender{};
            std::memcpy(&offender, CMSG_DATA(c) + sizeof(sock_extended_err), sizeof offender);
            if (offender.sin_family == AF_INET) m.from = OctetsOf(offender.sin_addr);
        }
        return Stored(p, m, at);
    }
    return std::nullopt;
}

// The error queue of a ping socket: reports that quote this request.
std::optional<EchoReply> ReadErrorQueue(const Pending& p) {
    uint8_t buffer[kPacketBuffer];
    for (;;) {
        sockaddr_in original{};
        alignas(cmsghdr) uint8_t control[512];
        iovec iov{buffer, sizeof buffer};
        msghdr msg{};
        msg.msg_name = &original;
        msg.msg_namelen = sizeof original;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(p.fd, &msg, MSG_DONTWAIT | MSG_ERRQUEUE);
        if (n < 0) return std::nullopt;
        const int64_t at = MonotonicNs();
        if (msg.msg_namelen < sizeof original || OctetsOf(original.sin_addr) != p.expected.destination ||
            !icmp::QuotedRequestIsOurs(Received(buffer, n), p.expected)) {
            continue;
        }
        if (auto r = FromExtendedError(p, msg, at)) return r;
    }
}

// Waits for the socket to become readable, at most until the deadline. EINTR just returns: the
// caller goes round again and the deadline stays where it is.
void WaitReadable(int fd, int64_t left) {
    const timespec wait{static_cast<time_t>(left / 1'000'000'000), static_cast<long>(left % 1'000'000'000)};
    pollfd pfd{fd, POLLIN, 0};
    ::ppoll(&pfd, 1, &wait, nullptr);
}

}  // namespace

LinuxEchoService::~LinuxEchoService() {
    if (fd_ >= 0) ::close(fd_);
    if (held_.fd >= 0) ::close(held_.fd);
}

// The ping socket where allowed, else a raw socket (CAP_NET_RAW), set up for echo requests.
LinuxEchoService::Socket LinuxEchoService::OpenSocket() {
    IcmpSocketKind kind = IcmpSocketKind::Datagram;
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0 && !OpenRefused(errno)) return {};
    if (fd < 0) {
        fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        kind = IcmpSocketKind::Raw;
    }
    if (fd < 0) return {};

    if (kind == IcmpSocketKind::Datagram) {
        // ICMP errors that quote our requests arrive on the error queue.
        const int on = 1;
        if (setsockopt(fd, SOL_IP, IP_RECVERR, &on, sizeof on) != 0) {
            ::close(fd);
            return {};
        }
    } else {
        // A raw socket sees every ICMP message of the host; keep only replies and error reports.
        icmp_filter filter{};
        filter.data = ~((1u << icmp::kTypeEchoReply) | (1u << icmp::kTypeDestUnreachable) |
                        (1u << icmp::kTypeSourceQuench) | (1u << icmp::kTypeTimeExceeded) |
                        (1u << icmp::kTypeParamProblem));
        setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    }
    return {fd, kind};
}

bool LinuxEchoService::OpenThenDropCapabilities() {
    if (held_.fd < 0) held_ = OpenSocket();
    return DropAllCapabilities();
}

int32_t LinuxEchoService::Open() {
    if (fd_ >= 0) Close(fd_ + 1);
    const Socket socket = held_.fd >= 0 ? std::exchange(held_, Socket{}) : OpenSocket();
    if (socket.fd < 0) return 0;
    fd_ = socket.fd;
    kind_ = socket.kind;
    identifier_ = RandomU16();
    nextSequence_ = RandomU16();
    return fd_ + 1;
}

void LinuxEchoService::Close(int32_t handle) {
    if (fd_ < 0 || handle != fd_ + 1) return;
    ::close(fd_);
    fd_ = -1;
    kind_ = IcmpSocketKind::None;
}

bool LinuxEchoService::ApplyOptions(const EchoOptions& options) {
    // -1 restores the system's default time to live (Linux refuses 0).
    const int ttl = options.ttl == 0 ? -1 : options.ttl;
    const int tos = options.tos;
    const int pmtu = (options.flags & kIpFlagDontFragment) ? IP_PMTUDISC_DO : IP_PMTUDISC_DONT;
    return setsockopt(fd_, SOL_IP, IP_TTL, &ttl, sizeof ttl) == 0 &&
           setsockopt(fd_, SOL_IP, IP_TOS, &tos, sizeof tos) == 0 &&
           setsockopt(fd_, SOL_IP, IP_MTU_DISCOVER, &pmtu, sizeof pmtu) == 0;
}

void LinuxEchoService::DiscardPending() {
    // Answers to earlier requests and their errors: a pending socket error would fail the next send.
    uint8_t buffer[kPacketBuffer];
    int soError = 0;
    socklen_t len = sizeof soError;
    getsockopt(fd_, SOL_SOCKET, SO_ERROR, &soError, &len);
    for (int i = 0; i < 1024 && ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT) >= 0; ++i) {
    }
    if (kind_ == IcmpSocketKind::Datagram) {
        for (int i = 0; i < 1024 && ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT | MSG_ERRQUEUE) >= 0;
             ++i) {
        }
    }
}

EchoReply LinuxEchoService::SendEcho(int32_t handle, const std::array<uint8_t, 4>& destination,
                                     const std::vector<uint8_t>& data, const EchoOptions& options,
                                     int32_t timeoutMs) {
    if (fd_ < 0 || handle != fd_ + 1) return Failure(kErrorInvalidHandle);
    // Linux would deliver 0.0.0.0 to the local host: that is no answer from the destination.
    if (destination == icmp::Octets{0, 0, 0, 0}) return Failure(ip_status::kBadDestination);
    if (!ApplyOptions(options)) return Failure(ip_status::kGeneralFailure);
    DiscardPending();

    Pending p;
    p.fd = fd_;
    p.expected.destination = destination;
    p.expected.identifier = identifier_;
    p.expected.matchIdentifier = kind_ == IcmpSocketKind::Raw;
    p.expected.sequence = nextSequence_++;
    p.expected.data = data;
    const std::vector<uint8_t> request = icmp::BuildEchoRequest(identifier_, p.expected.sequence, data);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    std::memcpy(&to.sin_addr.s_addr, destination.data(), 4);

    p.timeoutNs = static_cast<int64_t>(timeoutMs < 0 ? 0 : timeoutMs) * kNsPerMs;
    p.start = MonotonicNs();
    const int64_t deadline = p.start + p.timeoutNs;
    ssize_t sent;
    do {
        sent = ::sendto(fd_, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                        sizeof to);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) return Failure(icmp::StatusForSendError(errno));

    for (;;) {
        if (auto r = ReadQueued(p, kind_)) return *r;
        if (kind_ == IcmpSocketKind::Datagram) {
            if (auto r = ReadErrorQueue(p)) return *r;
        }
        const int64_t now = MonotonicNs();
        if (now >= deadline) return Failure(ip_status::kReqTimedOut);
        WaitReadable(fd_, deadline - now);
    }
}

bool LinuxEchoService::HasRoute(const std::array<uint8_t, 4>& destination) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return true;  // nothing to tell by: let the request find out
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kRouteProbePort);
    std::memcpy(&to.sin_addr, destination.data(), destination.size());
    const bool routed = connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    close(fd);
    return routed;
}

}  // namespace platform
