#include "platform/linux/IcmpCodec.h"

#include <algorithm>
#include <cerrno>

#include "platform/EchoService.h"

namespace platform::icmp {

namespace {

uint16_t ReadBe16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>((b[at] << 8) | b[at + 1]);
}

Octets ReadOctets(std::span<const uint8_t> b, size_t at) {
    return {b[at], b[at + 1], b[at + 2], b[at + 3]};
}

bool EchoMatches(std::span<const uint8_t> msg, const Expected& expected) {
    if (msg.size() < kHeaderSize) return false;
    if (expected.matchIdentifier && ReadBe16(msg, 4) != expected.identifier) return false;
    if (ReadBe16(msg, 6) != expected.sequence) return false;
    return std::ranges::equal(msg.subspan(kHeaderSize), expected.data);
}

// The IPv4 header length of a packet, or 0 when the header is not whole and well formed.
size_t IpHeaderLength(std::span<const uint8_t> packet) {
    if (packet.size() < kMinIpHeaderSize || (packet[0] >> 4) != 4) return 0;
    const size_t ihl = static_cast<size_t>(packet[0] & 0x0F) * 4;
    if (ihl < kMinIpHeaderSize || ihl > packet.size()) return 0;
    return ihl;
}

}  // namespace

uint16_t Checksum(std::span<const uint8_t> bytes) {
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) sum += static_cast<uint32_t>((bytes[i] << 8) | bytes[i + 1]);
    if (i < bytes.size()) sum += static_cast<uint32_t>(bytes[i] << 8);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum & 0xFFFF);
}

std::vector<uint8_t> BuildEchoRequest(uint16_t identifier, uint16_t sequence, std::span<const uint8_t> data) {
    std::vector<uint8_t> msg(kHeaderSize + data.size(), 0);
    msg[0] = kTypeEchoRequest;
    msg[1] = 0;
    msg[4] = static_cast<uint8_t>(identifier >> 8);
    msg[5] = static_cast<uint8_t>(identifier & 0xFF);
    msg[6] = static_cast<uint8_t>(sequence >> 8);
    msg[7] = static_cast<uint8_t>(sequence & 0xFF);
    std::ranges::copy(data, msg.begin() + kHeaderSize);
    const uint16_t sum = Checksum(msg);
    msg[2] = static_cast<uint8_t>(sum >> 8);
    msg[3] = static_cast<uint8_t>(sum & 0xFF);
    return msg;
}

Match MatchRawPacket(std::span<const uint8_t> packet, const Expected& expected) {
    const size_t ihl = IpHeaderLength(packet);
    if (ihl == 0 || packet[9] != kProtocolIcmp) return {};
    // The total length field bounds the message; a packet shorter than it says is truncated.
    const size_t total = ReadBe16(packet, 2);
    if (total < ihl + kHeaderSize || total > packet.size()) return {};
    const auto msg = packet.subspan(ihl, total - ihl);
    if (Checksum(msg) != 0) return {};
    const Octets source = ReadOctets(packet, 12);
    const uint8_t type = msg[0];
    const uint8_t code = msg[1];

    if (type == kTypeEchoReply) {
        if (code != 0 || source != expected.destination || !EchoMatches(msg, expected)) return {};
        return {Answer::EchoReply, type, code, source};
    }
    if (!StatusForIcmp(type, code)) return {};
    // An error report quotes the IP header of our request and at least the first 8 bytes after it.
    const auto quoted = msg.subspan(kHeaderSize);
    const size_t qihl = IpHeaderLength(quoted);
    if (qihl == 0 || quoted.size() < qihl + kHeaderSize) return {};
    if (quoted[9] != kProtocolIcmp || ReadOctets(quoted, 16) != expected.destination) return {};
    const auto qicmp = quoted.subspan(qihl);
    if (qicmp[0] != kTypeEchoRequest) return {};
    if (expected.matchIdentifier && ReadBe16(qicmp, 4) != expected.identifier) return {};
    if (ReadBe16(qicmp, 6) != expected.sequence) return {};
    return {Answer::ErrorReport, type, code, source};
}

Match MatchDatagram(std::span<const uint8_t> message, const Octets& from, const Expected& expected) {
    if (message.size() < kHeaderSize || message[0] != kTypeEchoReply || message[1] != 0) return {};
    Expected noId = expected;
    noId.matchIdentifier = false;
    if (!EchoMatches(message, noId)) return {};
    return {Answer::EchoReply, message[0], message[1], from};
}

bool QuotedRequestIsOurs(std::span<const uint8_t> quoted, const Expected& expected) {
    return quoted.size() >= kHeaderSize && quoted[0] == kTypeEchoRequest &&
           ReadBe16(quoted, 6) == expected.sequence;
}

std::optional<uint32_t> StatusForIcmp(uint8_t type, uint8_t code) {
    using namespace ip_status;
    switch (type) {
        case kTypeDestUnreachable:
            switch (code) {
                case 0:
                case 6:
                case 9:
                case 11:
                    return kDestNetUnreachable;
                case 2:
                    return kDestProtUnreachable;
                case 3:
                    return kDestPortUnreachable;
                case 4:
                    return kPacketTooBig;
                case 5:
                    return kBadRoute;
                default:
                    return kDestHostUnreachable;
            }
        case kTypeTimeExceeded:
            return code == 1 ? kTtlExpiredReassem : kTtlExpiredTransit;
        case kTypeParamProblem:
            return kParamProblem;
        case kTypeSourceQuench:
            return kSourceQuench;
        default:
            return std::nullopt;
    }
}

uint32_t StatusForSendError(int error) {
    switch (error) {
        case ENETUNREACH:
            return ip_status::kDestNetUnreachable;
        case EHOSTUNREACH:
            return ip_status::kDestHostUnreachable;
        default:
            return ip_status::kGeneralFailure;
    }
}

}  // namespace platform::icmp
