#include "platform/linux/IcmpEcho.h"

#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <linux/net_tstamp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <span>
#include <utility>

#include "platform/linux/IcmpCodec.h"

namespace platform {

namespace {

constexpr int64_t kNsPerMs = 1'000'000;
constexpr int64_t kNsPerSecond = 1'000'000'000;

int64_t Now(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<int64_t>(ts.tv_sec) * kNsPerSecond + ts.tv_nsec;
}

uint16_t RandomU16() {
    uint16_t value = 0;
    if (getrandom(&value, sizeof value, GRND_NONBLOCK) != sizeof value) {
        value = static_cast<uint16_t>(getpid() ^ Now(CLOCK_MONOTONIC));
    }
    return value;
}

icmp::Octets OctetsOf(const in_addr& a) {
    icmp::Octets o{};
    std::memcpy(o.data(), &a.s_addr, o.size());
    return o;
}

// Receive buffers: an IP header of at most 60 bytes, the ICMP header and a quoted packet or our data.
constexpr size_t kPacketBuffer = 4096;
// What the error queue gives back of a request: its ICMP header and data, or nothing for a stamp.
// Read several at once, so kept small: a longer one comes truncated, which still quotes our header.
constexpr size_t kErrorPacketBuffer = 576;

// Room for a message's control data: the receive stamp and an extended error with the address of
// the router that sent it, several times over.
constexpr size_t kControlBuffer = 512;
// Each failed read takes one pending socket error; a socket that keeps failing is given up on for
// this round rather than read forever.
constexpr int kMaxReadFailures = 8;
// A send made again after one that only cleared a pending error.
constexpr int kSendAttempts = 2;

// The request on its way: what answers it and when it left.
struct Pending {
    int fd = -1;
    icmp::Expected expected;
    SendTimes sent;
    int64_t timeoutNs = 0;
};

// A stored answer read at `readAt`; one that came in after the time-out is no answer.
EchoReply Stored(const Pending& p, const icmp::Match& m, std::optional<int64_t> stamp, int64_t readAt) {
    const int64_t rttMs = RoundTripNs(p.sent, stamp, readAt) / kNsPerMs;
    if (rttMs > p.timeoutNs / kNsPerMs) return EchoReply::Failure(ip_status::kReqTimedOut);
    EchoReply r;
    r.count = 1;
    r.address = m.from;
    r.status =
        m.answer == icmp::Answer::EchoReply ? ip_status::kSuccess : *icmp::StatusForIcmp(m.type, m.code);
    r.roundTripMs = static_cast<uint32_t>(rttMs);
    return r;
}

std::span<const uint8_t> Received(std::span<const uint8_t> buffer, ssize_t n) {
    return buffer.first(std::min(static_cast<size_t>(n), buffer.size()));
}

// One message's buffers: the packet, its sender and its control data (the receive stamp, and on
// the error queue the extended error).
template <size_t kPacket = kPacketBuffer>
struct Message {
    uint8_t packet[kPacket];
    sockaddr_in from{};
    alignas(cmsghdr) uint8_t control[kControlBuffer];
    iovec iov{packet, sizeof packet};
    msghdr msg{};

    msghdr& Prepare() {
        msg = msghdr{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        return msg;
    }
    ssize_t Receive(int fd, int flags) { return ::recvmsg(fd, &Prepare(), flags | MSG_DONTWAIT); }
};

// An answer read, and when: its round trip is counted once the send stamps queued before it are in.
struct Read {
    icmp::Match match;
    std::optional<int64_t> stamp;
    int64_t at = 0;
};

// Everything queued on the socket: skips what is not the answer to this request.
std::optional<Read> ReadQueued(const Pending& p, IcmpSocketKind kind) {
    Message<> m;
    for (int failures = 0; failures < kMaxReadFailures;) {
        const ssize_t n = m.Receive(p.fd, 0);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            // A pending socket error (an ICMP report): the report itself is on the error queue.
            ++failures;
            continue;
        }
        const int64_t at = Now(CLOCK_MONOTONIC);
        const auto got = Received(m.packet, n);
        const icmp::Match match = kind == IcmpSocketKind::Raw
                                      ? icmp::MatchRawPacket(got, p.expected)
                                      : icmp::MatchDatagram(got, OctetsOf(m.from.sin_addr), p.expected);
        if (match.answer != icmp::Answer::None) return Read{match, ReceiveStampNs(m.msg), at};
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
        if (ee.ee_origin == SO_EE_ORIGIN_LOCAL)
            return EchoReply::Failure(icmp::StatusForSendError(ee.ee_errno));
        if (ee.ee_origin != SO_EE_ORIGIN_ICMP || !icmp::StatusForIcmp(ee.ee_type, ee.ee_code)) continue;
        icmp::Match m{icmp::Answer::ErrorReport, ee.ee_type, ee.ee_code, {}};
        // The reporter's address follows the extended error in the same message.
        if (c->cmsg_len >= CMSG_LEN(sizeof(sock_extended_err) + sizeof(sockaddr_in))) {
            sockaddr_in offender{};
            std::memcpy(&offender, CMSG_DATA(c) + sizeof(sock_extended_err), sizeof offender);
            if (offender.sin_family == AF_INET) m.from = OctetsOf(offender.sin_addr);
        }
        return Stored(p, m, ReceiveStampNs(msg), at);
    }
    return std::nullopt;
}

// A stamp of a request going out, if the message is one. Stamps taken before this request's send are
// an earlier request's; of this one's, the latest counts.
bool TookSendStamp(msghdr& msg, SendTimes& sent) {
    std::optional<int64_t> stamp;
    bool isStamp = false;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPING &&
            c->cmsg_len >= CMSG_LEN(sizeof(scm_timestamping))) {
            scm_timestamping ts{};
            std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
            stamp = static_cast<int64_t>(ts.ts[0].tv_sec) * kNsPerSecond + ts.ts[0].tv_nsec;
        }
        if (c->cmsg_level == SOL_IP && c->cmsg_type == IP_RECVERR &&
            c->cmsg_len >= CMSG_LEN(sizeof(sock_extended_err))) {
            sock_extended_err ee{};
            std::memcpy(&ee, CMSG_DATA(c), sizeof ee);
            isStamp = ee.ee_origin == SO_EE_ORIGIN_TIMESTAMPING;
        }
    }
    if (isStamp && stamp && *stamp >= sent.realNs)
        sent.leftRealNs = std::max(sent.leftRealNs.value_or(0), *stamp);
    return isStamp;
}

// The error queue, several messages a read: the stamp of this request going out (and any left of
// earlier ones) and, on a ping socket, reports that quote it. A socket that reported
// an error with nothing queued has it pending instead, which is cleared so that it stops waking the
// wait.
std::optional<EchoReply> ReadErrorQueue(Pending& p, IcmpSocketKind kind) {
    constexpr unsigned kBatch = 4;
    std::array<Message<kErrorPacketBuffer>, kBatch> m;
    std::array<mmsghdr, kBatch> batch{};
    for (bool first = true;; first = false) {
        for (unsigned i = 0; i < kBatch; ++i) batch[i].msg_hdr = m[i].Prepare();
        const int n = ::recvmmsg(p.fd, batch.data(), kBatch, MSG_ERRQUEUE | MSG_DONTWAIT, nullptr);
        if (n <= 0) {
            int soError = 0;
            socklen_t len = sizeof soError;
            if (first) getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &soError, &len);
            return std::nullopt;
        }
        const int64_t at = Now(CLOCK_MONOTONIC);
        const auto read = static_cast<unsigned>(n);
        for (unsigned i = 0; i < read; ++i) {
            msghdr& msg = batch[i].msg_hdr;
            if (TookSendStamp(msg, p.sent) || kind != IcmpSocketKind::Datagram) continue;
            if (msg.msg_namelen < sizeof(sockaddr_in) ||
                OctetsOf(m[i].from.sin_addr) != p.expected.destination ||
                !icmp::QuotedRequestIsOurs(Received(m[i].packet, batch[i].msg_len), p.expected)) {
                continue;
            }
            if (auto r = FromExtendedError(p, msg, at)) return r;
        }
        if (read < kBatch) return std::nullopt;  // none left
    }
}

// What the socket reports, waiting at most `left` ns for it; 0 when nothing came (or on EINTR: the
// caller goes round again and the deadline stays where it is).
short Poll(int fd, int64_t left) {
    const timespec wait{static_cast<time_t>(left / kNsPerSecond), static_cast<long>(left % kNsPerSecond)};
    pollfd pfd{fd, POLLIN, 0};
    return ::ppoll(&pfd, 1, &wait, nullptr) > 0 ? pfd.revents : 0;
}

// Waits for the answer until the deadline. The first look is made without a wait: by the time
// sendto returns, the send stamp is queued and a local answer usually is too. The send stamps are
// queued before the answer can come in: with an answer read, the error queue is read too only when
// the socket reports something queued there. Reading a report drops the pending socket error that
// came with it.
EchoReply AwaitAnswer(Pending& p, IcmpSocketKind kind, int64_t deadline) {
    short events = POLLIN | POLLERR;
    for (int64_t left = -1;;) {  // -1: no wait made yet
        if (events & POLLIN) {
            if (const auto read = ReadQueued(p, kind)) {
                if (events & POLLERR) ReadErrorQueue(p, kind);
                return Stored(p, read->match, read->stamp, read->at);
            }
        }
        if (events & POLLERR) {
            if (auto r = ReadErrorQueue(p, kind)) return *r;
        }
        if (left == 0) return EchoReply::Failure(ip_status::kReqTimedOut);
        left = std::max<int64_t>(0, deadline - Now(CLOCK_MONOTONIC));
        events = Poll(p.fd, left);
    }
}

// Sends the request, taking its time just before. A report that came in after the last request
// leaves an error pending on the socket, which fails the next send once and is cleared by it: that
// send is made a second time.
bool Send(int fd, const std::vector<uint8_t>& request, const sockaddr_in& to, SendTimes& times) {
    for (int attempt = 0; attempt < kSendAttempts; ++attempt) {
        ssize_t sent;
        do {
            times.monotonicNs = Now(CLOCK_MONOTONIC);
            times.realNs = Now(CLOCK_REALTIME);
            sent = ::sendto(fd, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                            sizeof to);
        } while (sent < 0 && errno == EINTR);
        if (sent >= 0) return true;
    }
    return false;
}

}  // namespace

int64_t RoundTripNs(const SendTimes& sent, std::optional<int64_t> stampRealNs, int64_t readMonotonicNs) {
    const int64_t latest = readMonotonicNs - sent.monotonicNs;
    if (stampRealNs) {
        const bool left =
            sent.leftRealNs && *sent.leftRealNs >= sent.realNs && *sent.leftRealNs <= *stampRealNs;
        const int64_t stamped = *stampRealNs - (left ? *sent.leftRealNs : sent.realNs);
        if (stamped >= 0 && stamped <= latest) return stamped;
    }
    return latest;
}

std::optional<int64_t> ReceiveStampNs(const msghdr& msg) {
    auto& m = const_cast<msghdr&>(msg);  // the CMSG macros take no const header
    for (cmsghdr* c = CMSG_FIRSTHDR(&m); c != nullptr; c = CMSG_NXTHDR(&m, c)) {
        if (c->cmsg_level != SOL_SOCKET) continue;
        timespec ts{};
        if (c->cmsg_type == SCM_TIMESTAMPNS && c->cmsg_len >= CMSG_LEN(sizeof(timespec))) {
            std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
        } else if (c->cmsg_type == SCM_TIMESTAMPING && c->cmsg_len >= CMSG_LEN(sizeof(scm_timestamping))) {
            std::memcpy(&ts, CMSG_DATA(c), sizeof ts);  // the software stamp comes first
        } else {
            continue;
        }
        if (ts.tv_sec != 0 || ts.tv_nsec != 0)
            return static_cast<int64_t>(ts.tv_sec) * kNsPerSecond + ts.tv_nsec;
    }
    return std::nullopt;
}

std::optional<IcmpEcho> IcmpEcho::Open(IcmpSocketKind kind, int& error) {
    error = EINVAL;
    if (kind != IcmpSocketKind::Datagram && kind != IcmpSocketKind::Raw) return std::nullopt;
    const int type = kind == IcmpSocketKind::Datagram ? SOCK_DGRAM : SOCK_RAW;
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
    const auto refused = [&error] {
        error = errno;
        return std::nullopt;
    };
    if (fd < 0) return refused();
    IcmpEcho echo(fd, kind);
    const int on = 1;
    // The kernel's stamps, without the packet: each answer's as it came in, and the request's as the
    // device took it, so that time spent in a queue before it is not counted. One stamp each way: a
    // send stamp costs a copy of the packet's header and a read of the error queue. A device or kernel
    // without a send stamp leaves the time taken before sendto.
    const int stamps = SOF_TIMESTAMPING_RX_SOFTWARE | SOF_TIMESTAMPING_TX_SOFTWARE |
                       SOF_TIMESTAMPING_SOFTWARE | SOF_TIMESTAMPING_OPT_TSONLY;
    if (setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPING, &stamps, sizeof stamps) != 0) return refused();
    if (kind == IcmpSocketKind::Datagram) {
        // ICMP errors that quote our requests arrive on the error queue.
        if (setsockopt(fd, SOL_IP, IP_RECVERR, &on, sizeof on) != 0) return refused();
    } else {
        // A raw socket sees every ICMP message of the host; keep only replies and error reports.
        icmp_filter filter{};
        filter.data = ~((1u << icmp::kTypeEchoReply) | (1u << icmp::kTypeDestUnreachable) |
                        (1u << icmp::kTypeSourceQuench) | (1u << icmp::kTypeTimeExceeded) |
                        (1u << icmp::kTypeParamProblem));
        setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    }
    error = 0;
    return echo;
}

IcmpEcho::IcmpEcho(int fd, IcmpSocketKind kind)
    : fd_(fd), kind_(kind), identifier_(RandomU16()), nextSequence_(RandomU16()) {}

IcmpEcho::IcmpEcho(IcmpEcho&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      kind_(other.kind_),
      identifier_(other.identifier_),
      nextSequence_(other.nextSequence_),
      applied_(other.applied_) {}

IcmpEcho& IcmpEcho::operator=(IcmpEcho&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        kind_ = other.kind_;
        identifier_ = other.identifier_;
        nextSequence_ = other.nextSequence_;
        applied_ = other.applied_;
    }
    return *this;
}

IcmpEcho::~IcmpEcho() {
    if (fd_ >= 0) ::close(fd_);
}

bool IcmpEcho::ApplyOptions(const EchoOptions& options) {
    if (applied_ == options) return true;
    applied_.reset();
    // -1 restores the system's default time to live (Linux refuses 0).
    const int ttl = options.ttl == 0 ? -1 : options.ttl;
    const int tos = options.tos;
    const int pmtu = (options.flags & kIpFlagDontFragment) ? IP_PMTUDISC_DO : IP_PMTUDISC_DONT;
    if (setsockopt(fd_, SOL_IP, IP_TTL, &ttl, sizeof ttl) != 0 ||
        setsockopt(fd_, SOL_IP, IP_TOS, &tos, sizeof tos) != 0 ||
        setsockopt(fd_, SOL_IP, IP_MTU_DISCOVER, &pmtu, sizeof pmtu) != 0) {
        return false;
    }
    applied_ = options;
    return true;
}

EchoReply IcmpEcho::Echo(const Ipv4Address& destination, const std::vector<uint8_t>& data,
                         const EchoOptions& options, int32_t timeoutMs) {
    // Linux would deliver 0.0.0.0 to the local host: that is no answer from the destination.
    if (destination == icmp::Octets{0, 0, 0, 0}) return EchoReply::Failure(ip_status::kBadDestination);
    if (!ApplyOptions(options)) return EchoReply::Failure(ip_status::kGeneralFailure);

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
    std::memcpy(&to.sin_addr.s_addr, destination.data(), destination.size());

    p.timeoutNs = static_cast<int64_t>(timeoutMs < 0 ? 0 : timeoutMs) * kNsPerMs;
    if (!Send(fd_, request, to, p.sent)) return EchoReply::Failure(icmp::StatusForSendError(errno));
    return AwaitAnswer(p, kind_, p.sent.monotonicNs + p.timeoutNs);
}

}  // namespace platform
