// One ICMP echo over an open ICMP socket: the ping socket or a raw socket. Free of Qt, so that the
// small echo helper program uses the same sending, matching and timing as the program itself.
#pragma once

#include <sys/socket.h>

#include <cerrno>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/EchoService.h"

namespace platform {

enum class IcmpSocketKind { None, Datagram, Raw, Helper };

// Whether a socket refused with this errno is one this process may not have (as ping tells it): the
// ping socket closed by net.ipv4.ping_group_range, a raw socket without CAP_NET_RAW, or no ICMP
// sockets in this kernel. Another way then may work; any other refusal is a fault to report.
constexpr bool MeansNotAllowed(int error) {
    return error == EACCES || error == EPERM || error == EAFNOSUPPORT || error == EPROTONOSUPPORT;
}

// The round trip of an answer. The kernel stamps each packet as it comes in and each request as the
// device takes it (SO_TIMESTAMPING, on the real-time clock; the send stamp on the error queue), so the time
// this process waited for a core before the send or after the answer is not counted. Without a
// stamp, or with one the real-time clock's steps make impossible (before the send, or later than the
// monotonic clock allows), the times this process took before sendto and at the read stand in.
struct SendTimes {
    int64_t realNs = 0;                 // CLOCK_REALTIME just before sendto
    int64_t monotonicNs = 0;            // CLOCK_MONOTONIC just before sendto
    std::optional<int64_t> leftRealNs;  // the kernel's stamp of the request going out, if it came
};
int64_t RoundTripNs(const SendTimes& sent, std::optional<int64_t> stampRealNs, int64_t readMonotonicNs);

// The kernel's receive stamp carried by a message's control data (SCM_TIMESTAMPING's software stamp,
// or SCM_TIMESTAMPNS), if any.
std::optional<int64_t> ReceiveStampNs(const msghdr& msg);

class IcmpEcho {
  public:
    // Opens a socket of the kind, Datagram (the ping socket, where net.ipv4.ping_group_range allows
    // it) or Raw (which needs CAP_NET_RAW), with the kernel's receive stamps on. nullopt when refused,
    // with the errno of the refusal in `error`.
    static std::optional<IcmpEcho> Open(IcmpSocketKind kind, int& error);
    static std::optional<IcmpEcho> Open(IcmpSocketKind kind) {
        int error = 0;
        return Open(kind, error);
    }
    IcmpEcho(IcmpEcho&& other) noexcept;
    IcmpEcho& operator=(IcmpEcho&& other) noexcept;
    IcmpEcho(const IcmpEcho&) = delete;
    IcmpEcho& operator=(const IcmpEcho&) = delete;
    ~IcmpEcho();

    IcmpSocketKind Kind() const { return kind_; }

    // Sends one echo request and waits at most `timeoutMs` for its answer.
    EchoReply Echo(const Ipv4Address& destination, const std::vector<uint8_t>& data,
                   const EchoOptions& options, int32_t timeoutMs);

  private:
    IcmpEcho(int fd, IcmpSocketKind kind);
    bool ApplyOptions(const EchoOptions& options);

    int fd_ = -1;
    IcmpSocketKind kind_ = IcmpSocketKind::None;
    uint16_t identifier_ = 0;
    uint16_t nextSequence_ = 0;
    std::optional<EchoOptions> applied_;  // what the socket is set to now
};

}  // namespace platform
