// What the program and its echo helper (tarnovelmon-echo) say to each other over their socket pair:
// one fixed-size message each way per echo. The helper holds a raw ICMP socket that any local user
// can ask to send with, so it takes only the echo requests the probe makes and refuses all others.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/EchoRequest.h"

namespace platform::wire {

// The kind of the only message the helper serves: the probe's echo request (platform/EchoRequest.h).
constexpr uint8_t kEchoRequest = 0xE1;

// Sent by the helper once, when its raw socket is open and its privilege is gone (or it has none).
constexpr uint8_t kReady = 0xA1;
constexpr uint8_t kUnavailable = 0xA0;

struct EchoRequest {
    Ipv4Address destination{};
    EchoOptions options;
    std::array<uint8_t, echo_request::kDataSize> data{};
    int32_t timeoutMs = 0;
};

// A request: kind, destination, time to live, type of service, flags, time-out (big-endian), data.
namespace request_at {
constexpr size_t kKind = 0, kDestination = 1, kTimeToLive = 5, kTypeOfService = 6, kFlags = 7, kTimeout = 8,
                 kData = 10;
}  // namespace request_at
constexpr size_t kTimeoutBytes = 2;
constexpr size_t kRequestSize = request_at::kData + echo_request::kDataSize;
// A reply: count, address, status, round trip and error, 4 bytes each (big-endian but the address).
namespace reply_at {
constexpr size_t kCount = 0, kAddress = 4, kStatus = 8, kRoundTrip = 12, kError = 16;
}  // namespace reply_at
constexpr size_t kReplySize = reply_at::kError + sizeof(uint32_t);

using RequestBytes = std::array<uint8_t, kRequestSize>;
using ReplyBytes = std::array<uint8_t, kReplySize>;

RequestBytes EncodeRequest(const EchoRequest& request);
// The request a message carries; nullopt for anything but one whole echo request that is the probe's
// (echo_request::IsTheProbes, with its time-out in bounds) or a message of another kind or size.
std::optional<EchoRequest> ParseRequest(std::span<const uint8_t> message);

ReplyBytes EncodeReply(const EchoReply& reply);
// The reply a message carries; nullopt when it is not one of the reply's size.
std::optional<EchoReply> ParseReply(std::span<const uint8_t> message);

}  // namespace platform::wire
