#include "platform/linux/IcmpCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <tuple>

namespace {

using namespace platform::icmp;
using Bytes = std::vector<uint8_t>;

const Octets kDest{198, 51, 100, 2}, kRouter{192, 0, 2, 1}, kLocal{192, 0, 2, 2};
const Bytes kData(32, 0x20);
constexpr uint16_t kId = 0x1234, kSeq = 0xBEEF;
const Expected kExpected{kDest, kId, true, kSeq, kData};

Bytes Icmp(uint8_t type, uint16_t id = kId, uint16_t seq = kSeq, const Bytes& body = kData,
           uint8_t code = 0) {
    Bytes m = BuildEchoRequest(id, seq, body);
    m[0] = type, m[1] = code, m[2] = m[3] = 0;
    const uint16_t sum = Checksum(m);
    m[2] = static_cast<uint8_t>(sum >> 8), m[3] = static_cast<uint8_t>(sum);
    return m;
}

// An IPv4 packet around a payload, with `optionWords` 32-bit words of options.
Bytes Ip(const Octets& src, const Octets& dst, const Bytes& payload, int optionWords = 0) {
    const size_t ihl = 20 + 4 * optionWords, total = ihl + payload.size();
    Bytes p(ihl, 0);
    p[0] = static_cast<uint8_t>(0x40 | ihl / 4), p[2] = static_cast<uint8_t>(total >> 8), p[3] = total & 0xFF;
    p[9] = kProtocolIcmp, std::ranges::copy(src, p.begin() + 12), std::ranges::copy(dst, p.begin() + 16);
    p.insert(p.end(), payload.begin(), payload.end());
    return p;
}

Bytes Cut(Bytes p, size_t size) {
    p.resize(size);
    return p;
}

// Our request as it left, or another one.
Bytes Request(uint16_t id = kId, uint16_t seq = kSeq, const Octets& dst = kDest) {
    return Ip(kLocal, dst, Icmp(kTypeEchoRequest, id, seq));
}

// An error report from the router quoting the first `keep` bytes of a packet.
Bytes Report(uint8_t type, uint8_t code, const Bytes& quoted, size_t keep = 28) {
    return Ip(kRouter, kLocal, Icmp(type, 0, 0, Cut(quoted, std::min(keep, quoted.size())), code));
}

// Identifier, sequence, data and checksum of replies, and whom answers are from: the raw net tests.
TEST(MatchRawPacket, AcceptsOnlyTheAnswerToThisRequest) {
    const auto with = [](Bytes p, size_t at, uint8_t value) {
        p.at(at) = value;
        return p;
    };
    const Bytes reply = Ip(kDest, kLocal, Icmp(kTypeEchoReply));
    const Bytes request = Request();
    const std::tuple<const char*, Bytes, Answer> cases[] = {
        {"good reply", reply, Answer::EchoReply},
        {"with IP options", Ip(kDest, kLocal, Icmp(kTypeEchoReply), 2), Answer::EchoReply},
        {"trailing bytes", with(Cut(reply, 61), 60, 0xAA), Answer::EchoReply},
        {"other source", Ip(kRouter, kLocal, Icmp(kTypeEchoReply)), Answer::None},
        {"reply with a code", Ip(kDest, kLocal, Icmp(kTypeEchoReply, kId, kSeq, kData, 1)), Answer::None},
        {"short payload", Ip(kDest, kLocal, Icmp(kTypeEchoReply, kId, kSeq, Bytes(31, 0x20))), Answer::None},
        {"shorter than its total length", Cut(reply, 59), Answer::None},
        {"header length below 20", with(reply, 0, 0x44), Answer::None},
        {"header length beyond the packet", with(with(Cut(reply, 40), 0, 0x4F), 3, 40), Answer::None},
        {"our own request on loopback", request, Answer::None},
        {"time exceeded quoting us", Report(kTypeTimeExceeded, 0, request), Answer::ErrorReport},
        {"unreachable quoting all of us", Report(kTypeDestUnreachable, 1, request, 99), Answer::ErrorReport},
        {"quoting another sequence", Report(kTypeTimeExceeded, 0, Request(kId, kSeq + 1)), Answer::None},
        {"quoting another identifier", Report(kTypeTimeExceeded, 0, Request(kId ^ 1)), Answer::None},
        {"quoting another host", Report(kTypeTimeExceeded, 0, Request(kId, kSeq, kRouter)), Answer::None},
        {"quoting too little", Report(kTypeTimeExceeded, 0, request, 27), Answer::None},
        {"redirect", Report(kTypeRedirect, 1, request), Answer::None},
        {"quoting a reply", Report(kTypeTimeExceeded, 0, reply), Answer::None}};
    for (const auto& [name, packet, answer] : cases)
        EXPECT_EQ(MatchRawPacket(packet, kExpected).answer, answer) << name;
}

TEST(QuotedRequestIsOurs, NeedsTheEchoHeaderWithOurSequence) {
    const Bytes header = Icmp(kTypeEchoRequest, 7, kSeq, {});
    for (const Bytes& q : {header, Icmp(kTypeEchoRequest, 7, kSeq + 1), Cut(header, 7), Icmp(kTypeEchoReply)})
        EXPECT_EQ(QuotedRequestIsOurs(q, kExpected), q == header);
}

TEST(StatusForIcmp, MapsReportsAndLocalErrorsToStatusNumbers) {
    // clang-format off
    const std::tuple<uint8_t, uint8_t, std::optional<uint32_t>> rows[] = {
        {3, 0, 11002}, {3, 6, 11002}, {3, 9, 11002},  {3, 11, 11002}, {3, 1, 11003},  {3, 10, 11003},
        {3, 13, 11003}, {3, 2, 11004}, {3, 3, 11005},  {3, 4, 11009},  {3, 5, 11012},  {11, 0, 11013},
        {11, 1, 11014}, {12, 0, 11015}, {4, 0, 11016}, {5, 1, std::nullopt}, {0, 0, std::nullopt},
        {8, 0, std::nullopt}};
    // clang-format on
    for (const auto& [type, code, status] : rows)
        EXPECT_EQ(StatusForIcmp(type, code), status) << +type << "/" << +code;
    EXPECT_EQ(StatusForSendError(EHOSTUNREACH), 11003u);
    EXPECT_EQ(StatusForSendError(EMSGSIZE), 11050u);
    EXPECT_EQ(Checksum(Bytes{0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7, 0x01}), 0x210d);
}

}  // namespace
