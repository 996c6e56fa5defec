// The one echo request the probe sends: 32 bytes of spaces, type of service 7, don't fragment, any
// time to live, a time-out of 1 to 999 ms, to any address but 0.0.0.0. The probe builds its requests
// from here; the echo helper, whose raw socket any local user may start, serves no other.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/EchoService.h"

namespace platform::echo_request {

constexpr uint8_t kTypeOfService = 7;
constexpr uint8_t kFlags = kIpFlagDontFragment;
constexpr size_t kDataSize = 32;
constexpr uint8_t kDataByte = 0x20;
constexpr int32_t kMinTimeoutMs = 1;
constexpr int32_t kMaxTimeoutMs = 999;

constexpr EchoOptions Options(uint8_t ttl) {
    return {.ttl = ttl, .tos = kTypeOfService, .flags = kFlags};
}

// Whether a request of these options and data size, to that address, is one the probe makes.
constexpr bool IsTheProbes(const Ipv4Address& destination, const EchoOptions& options, size_t dataSize) {
    return destination != Ipv4Address{} && options.tos == kTypeOfService && options.flags == kFlags &&
           dataSize == kDataSize;
}

constexpr bool TimeoutInBounds(int32_t timeoutMs) {
    return timeoutMs >= kMinTimeoutMs && timeoutMs <= kMaxTimeoutMs;
}

}  // namespace platform::echo_request
