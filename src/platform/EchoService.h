// The operating system's ICMP echo facility, narrowed to what the probe needs: open a handle, send
// one echo request and wait for its answer, close the handle.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Ipv4Address.h"

namespace platform {

// Status numbers of echo outcomes (the IP_STATUS set). 0 is a good echo reply.
namespace ip_status {
constexpr uint32_t kSuccess = 0;
constexpr uint32_t kDestNetUnreachable = 11002;
constexpr uint32_t kDestHostUnreachable = 11003;
constexpr uint32_t kDestProtUnreachable = 11004;
constexpr uint32_t kDestPortUnreachable = 11005;
constexpr uint32_t kPacketTooBig = 11009;
constexpr uint32_t kReqTimedOut = 11010;
constexpr uint32_t kBadRoute = 11012;
constexpr uint32_t kTtlExpiredTransit = 11013;
constexpr uint32_t kTtlExpiredReassem = 11014;
constexpr uint32_t kParamProblem = 11015;
constexpr uint32_t kSourceQuench = 11016;
constexpr uint32_t kBadDestination = 11018;
constexpr uint32_t kGeneralFailure = 11050;
}  // namespace ip_status

// Error number for a request made on a handle that is not open.
constexpr uint32_t kErrorInvalidHandle = 6;

// IP flag: don't fragment.
constexpr uint8_t kIpFlagDontFragment = 2;

struct EchoOptions {
    uint8_t ttl = 0;  // 0: the system's default time to live
    uint8_t tos = 0;
    uint8_t flags = 0;  // kIpFlagDontFragment
    bool operator==(const EchoOptions&) const = default;
};

// What one request stored. count 0 means the request failed; `error` then says why.
struct EchoReply {
    uint32_t count = 0;
    Ipv4Address address{};  // the address that answered
    uint32_t status = 0;    // ip_status of the stored answer
    uint32_t roundTripMs = 0;
    uint32_t error = 0;  // on failure: ip_status number (kReqTimedOut, ...) or kErrorInvalidHandle

    static EchoReply Failure(uint32_t error) { return {.error = error}; }
};

class EchoService {
  public:
    virtual ~EchoService() = default;
    // Opens the echo facility. Returns a non-zero handle, or 0 when no echo mechanism is available.
    virtual int32_t Open() = 0;
    // Closes a handle that Open returned. Unknown handles are ignored.
    virtual void Close(int32_t handle) = 0;
    // Why the last Open failed, for the log; empty after one that did not.
    virtual std::string OpenError() const = 0;
    // Sends one echo request to `destination` carrying `data`, and waits at most `timeoutMs` for its
    // answer.
    virtual EchoReply SendEcho(int32_t handle, const Ipv4Address& destination,
                               const std::vector<uint8_t>& data, const EchoOptions& options,
                               int32_t timeoutMs) = 0;
    // Whether the system has a route to `destination` now: false while the network is down, as at a
    // resume before the link is back. Sends nothing.
    virtual bool HasRoute(const Ipv4Address& destination) = 0;
};

}  // namespace platform
