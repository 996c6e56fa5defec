// Fuzz target: whatever arrives on an ICMP socket, deciding whether it answers our request must stay
// within the packet's bounds and give consistent answers.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/linux/IcmpCodec.h"

using namespace platform::icmp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    // The first 8 bytes choose what is expected: destination, identifier, sequence.
    const std::vector<uint8_t> payload(32, 0x20);
    Expected expected{{data[0], data[1], data[2], data[3]}, 0, true, 0, payload};
    std::memcpy(&expected.identifier, data + 4, 2);
    std::memcpy(&expected.sequence, data + 6, 2);
    const std::span<const uint8_t> packet(data + 8, size - 8);

    const Match raw = MatchRawPacket(packet, expected);
    if (raw.answer == Answer::EchoReply && raw.from != expected.destination) std::abort();
    if (raw.answer == Answer::ErrorReport && !StatusForIcmp(raw.type, raw.code)) std::abort();
    if (raw.answer != Answer::None) {
        // Only a message whose checksum holds (up to the total length; trailing bytes may follow).
        const size_t ihl = (packet[0] & 0x0Fu) * 4u, total = packet[2] << 8 | packet[3];
        if (Checksum(packet.subspan(ihl, total - ihl)) != 0) std::abort();
    }
    (void)MatchDatagram(packet, expected.destination, expected);
    (void)QuotedRequestIsOurs(packet, expected);
    return 0;
}
