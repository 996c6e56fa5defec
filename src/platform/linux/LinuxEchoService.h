// ICMP echo on Linux: the unprivileged datagram "ping socket" where the net.ipv4.ping_group_range
// sysctl allows it; else a raw ICMP socket (CAP_NET_RAW), held in this process only where allowed
// (tests and benchmarks run as root), or by the echo helper, which the program asks instead.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/EchoService.h"
#include "platform/linux/EchoHelperClient.h"
#include "platform/linux/IcmpEcho.h"

namespace platform {

// What Open may use where the ping socket is closed, tried in this order.
struct EchoMechanisms {
    bool rawInProcess = true;  // a raw socket of this process's own
    std::string helper;        // the echo helper at this path; empty for none
};

class LinuxEchoService final : public EchoService {
  public:
    explicit LinuxEchoService(EchoMechanisms mechanisms = {}) : mechanisms_(std::move(mechanisms)) {}
    LinuxEchoService(const LinuxEchoService&) = delete;
    LinuxEchoService& operator=(const LinuxEchoService&) = delete;

    // Opens the ping socket, else what the mechanisms allow; a helper started here ends at Close.
    // The ping socket's refusals that mean "not allowed here" lead to the next way; any other is told
    // by OpenError.
    int32_t Open() override;
    std::string OpenError() const override { return openError_; }
    void Close(int32_t handle) override;
    EchoReply SendEcho(int32_t handle, const Ipv4Address& destination, const std::vector<uint8_t>& data,
                       const EchoOptions& options, int32_t timeoutMs) override;
    // Connects a datagram socket to the address, which only looks the route up.
    bool HasRoute(const Ipv4Address& destination) override;

    // What the open handle uses; None while no handle is open.
    IcmpSocketKind SocketKind() const;
    // The helper's process while one serves the open handle, else -1.
    pid_t HelperPid() const { return helper_ ? helper_->Pid() : -1; }

  private:
    EchoMechanisms mechanisms_;
    std::optional<IcmpEcho> socket_;
    std::optional<EchoHelperClient> helper_;
    std::string openError_;
    // What Open answers when it fails, and so never a handle; handles count up from the next one and
    // start over there after the largest.
    static constexpr int32_t kNoHandle = 0;
    int32_t handle_ = kNoHandle;
    int32_t lastHandle_ = kNoHandle;
};

}  // namespace platform
