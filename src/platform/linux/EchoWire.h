// What the program and its echo helper (tarnovelmon-echo) say to each other over their socket pair:
// one fixed-size message each way per echo. The helper holds a raw ICMP socket that any local user
// can ask to send with, so it takes only the echo requests the probe makes and refuses all others.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/EchoService.h"

namespace platform::wire {

// The only request the helper serves, and the bounds of its fields.
constexpr uint8_t kEchoRequest = 0xE1;
constexpr uint8_t kTypeOfService = 7;
constexpr uint8_t kFlags = kIpFlagDontFragment;
constexpr size_t kDataSize = 32;
constexpr int32_t kMinTimeoutMs = 1;
constexpr int32_t kMaxTimeoutMs = 999;

// Sent by the helper once, when its raw socket is open and its privilege is gone (or it has none).
constexpr uint8_t kReady = 0xA1;
constexpr uint8_t kUnavailable = 0xA0;

struct EchoRequest {
    std::array<uint8_t, 4> destination{};
    EchoOptions options;
    std::array<uint8_t, kDataSize> data{};
    int32_t timeoutMs = 0;
};

// Kind, destination, time to live, type of service, flags, time-out (2 bytes, big-endian), data.
constexpr size_t kRequestSize = 1 + 4 + 3 + 2 + kDataSize;
// Count, address, status, round trip and error: 4 bytes each (big-endian) but the address.
constexpr size_t kReplySize = 4 + 4 + 4 + 4 + 4;

using RequestBytes = std::array<uint8_t, kRequestSize>;
using ReplyBytes = std::array<uint8_t, kReplySize>;

RequestBytes EncodeRequest(const EchoRequest& request);
// The request a message carries; nullopt for anything but one whole echo request within the bounds
// (destination 0.0.0.0, another type of service or flags, a time-out outside 1 to 999 ms, a message
// of another kind or size).
std::optional<EchoRequest> ParseRequest(std::span<const uint8_t> message);

ReplyBytes EncodeReply(const EchoReply& reply);
// The reply a message carries; nullopt when it is not one of the reply's size.
std::optional<EchoReply> ParseReply(std::span<const uint8_t> message);

}  // namespace platform::wire
