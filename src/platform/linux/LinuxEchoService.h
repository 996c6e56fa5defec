// ICMP echo over a Linux socket: the unprivileged datagram "ping socket" where the
// net.ipv4.ping_group_range sysctl allows it, else a raw ICMP socket (CAP_NET_RAW).
#pragma once

#include <cstdint>

#include "platform/EchoService.h"

namespace platform {

enum class IcmpSocketKind { None, Datagram, Raw };

class LinuxEchoService final : public EchoService {
  public:
    LinuxEchoService() = default;
    ~LinuxEchoService() override;
    LinuxEchoService(const LinuxEchoService&) = delete;
    LinuxEchoService& operator=(const LinuxEchoService&) = delete;

    // For a program given CAP_NET_RAW: opens the socket now, for the next Open to hand out, then drops
    // every capability of the calling thread. Call it before any other thread starts. Returns false
    // when the capabilities could not be dropped.
    bool OpenThenDropCapabilities();

    int32_t Open() override;
    void Close(int32_t handle) override;
    EchoReply SendEcho(int32_t handle, const std::array<uint8_t, 4>& destination,
                       const std::vector<uint8_t>& data, const EchoOptions& options,
                       int32_t timeoutMs) override;
    // Connects a datagram socket to the address, which only looks the route up.
    bool HasRoute(const std::array<uint8_t, 4>& destination) override;

    // Which kind of socket the open handle uses; None while no handle is open.
    IcmpSocketKind SocketKind() const { return kind_; }

  private:
    struct Socket {
        int fd = -1;
        IcmpSocketKind kind = IcmpSocketKind::None;
    };
    static Socket OpenSocket();
    bool ApplyOptions(const EchoOptions& options);
    void DiscardPending();

    Socket held_;
    int fd_ = -1;
    IcmpSocketKind kind_ = IcmpSocketKind::None;
    uint16_t identifier_ = 0;
    uint16_t nextSequence_ = 0;
};

}  // namespace platform
