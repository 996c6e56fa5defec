// ICMP echo messages: building a request and deciding whether a received packet answers it.
// Pure functions over bytes, so that every bound can be tested and fuzzed without sockets.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/Ipv4Address.h"

namespace platform::icmp {

constexpr uint8_t kTypeEchoReply = 0;
constexpr uint8_t kTypeDestUnreachable = 3;
constexpr uint8_t kTypeSourceQuench = 4;
constexpr uint8_t kTypeRedirect = 5;
constexpr uint8_t kTypeEchoRequest = 8;
constexpr uint8_t kTypeTimeExceeded = 11;
constexpr uint8_t kTypeParamProblem = 12;

constexpr size_t kHeaderSize = 8;
constexpr size_t kMinIpHeaderSize = 20;
constexpr uint8_t kProtocolIcmp = 1;

using Octets = Ipv4Address;

// The Internet checksum (RFC 1071) of the bytes, as the value to store big-endian. A message that
// carries a correct checksum sums to 0.
uint16_t Checksum(std::span<const uint8_t> bytes);

// An echo request with the identifier, sequence number and data given, checksum filled in.
std::vector<uint8_t> BuildEchoRequest(uint16_t identifier, uint16_t sequence, std::span<const uint8_t> data);

// What identifies the answer to one request.
struct Expected {
    Octets destination{};
    uint16_t identifier = 0;
    bool matchIdentifier = true;  // false where the kernel fills in the identifier (ping socket)
    uint16_t sequence = 0;
    std::span<const uint8_t> data;
};

enum class Answer { None, EchoReply, ErrorReport };

struct Match {
    Answer answer = Answer::None;
    uint8_t type = 0;
    uint8_t code = 0;
    Octets from{};  // the sender of the answer (for an error report, the reporting router)
};

// A packet read from a raw ICMP socket: IPv4 header, then the ICMP message. Checks every length,
// the checksum, the source of an echo reply, and for an error report the request it quotes.
Match MatchRawPacket(std::span<const uint8_t> packet, const Expected& expected);

// An ICMP message read from a ping socket (no IP header; the kernel has checked the checksum and
// the identifier), sent by `from`.
Match MatchDatagram(std::span<const uint8_t> message, const Octets& from, const Expected& expected);

// What an error report on a ping socket's error queue quotes of our request: the ICMP
// header and whatever data the reporter kept. True when it is this request.
bool QuotedRequestIsOurs(std::span<const uint8_t> quoted, const Expected& expected);

// The status number of an ICMP error report; nullopt for messages that are no answer to a request
// (redirects and anything unknown).
std::optional<uint32_t> StatusForIcmp(uint8_t type, uint8_t code);

// The status number for a local error (errno) met while sending.
uint32_t StatusForSendError(int error);

}  // namespace platform::icmp
