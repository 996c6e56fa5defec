#include "platform/linux/IcmpCodec.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "platform/EchoService.h"

namespace {

using namespace platform::icmp;
namespace st = platform::ip_status;

const Octets kDest{198, 51, 100, 2};
const Octets kRouter{192, 0, 2, 1};
const Octets kLocal{192, 0, 2, 2};
const std::vector<uint8_t> kData(32, 0x20);
constexpr uint16_t kId = 0x1234;
constexpr uint16_t kSeq = 0xBEEF;

Expected Expect() {
    return {kDest, kId, true, kSeq, kData};
}

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v >> 8);
    b[at + 1] = static_cast<uint8_t>(v & 0xFF);
}

std::vector<uint8_t> Icmp(uint8_t type, uint8_t code, uint16_t id, uint16_t seq,
                          const std::vector<uint8_t>& body) {
    std::vector<uint8_t> m = BuildEchoRequest(id, seq, body);
    m[0] = type;
    m[1] = code;
    Put16(m, 2, 0);
    Put16(m, 2, Checksum(m));
    return m;
}

// An IPv4 packet around a payload; `optionWords` 32-bit words of options.
std::vector<uint8_t> Ip(const Octets& src, const Octets& dst, const std::vector<uint8_t>& payload,
                        int optionWords = 0, uint8_t protocol = kProtocolIcmp) {
    const size_t ihl = 20 + 4 * static_cast<size_t>(optionWords);
    std::vector<uint8_t> p(ihl, 0);
    p[0] = static_cast<uint8_t>(0x40 | (ihl / 4));
    Put16(p, 2, static_cast<uint16_t>(ihl + payload.size()));
    p[8] = 64;
    p[9] = protocol;
    std::copy(src.begin(), src.end(), p.begin() + 12);
    std::copy(dst.begin(), dst.end(), p.begin() + 16);
    p.insert(p.end(), payload.begin(), payload.end());
    return p;
}

std::vector<uint8_t> GoodReply() {
    return Ip(kDest, kLocal, Icmp(kTypeEchoReply, 0, kId, kSeq, kData));
}

std::vector<uint8_t> ErrorQuoting(uint8_t type, uint8_t code, const std::vector<uint8_t>& quotedPacket,
                                  size_t keep = 28) {
    std::vector<uint8_t> quoted(quotedPacket.begin(),
                                quotedPacket.begin() + std::min(keep, quotedPacket.size()));
    std::vector<uint8_t> body(quoted.begin(), quoted.end());
    // The ICMP header of an error report has 4 unused bytes where the echo has id and sequence.
    return Ip(kRouter, kLocal, Icmp(type, code, 0, 0, body));
}

std::vector<uint8_t> OurRequest() {
    return Ip(kLocal, kDest, BuildEchoRequest(kId, kSeq, kData));
}

TEST(Checksum, FollowsRfc1071) {
    const std::vector<uint8_t> bytes{0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    EXPECT_EQ(Checksum(bytes), 0x220d);
    const std::vector<uint8_t> odd{0x01};
    EXPECT_EQ(Checksum(odd), 0xfeff);
}

TEST(BuildEchoRequest, CarriesIdentifierSequenceDataAndAValidChecksum) {
    const auto m = BuildEchoRequest(kId, kSeq, kData);
    ASSERT_EQ(m.size(), 40u);
    EXPECT_EQ(m[0], kTypeEchoRequest);
    EXPECT_EQ(m[1], 0);
    EXPECT_EQ((std::vector<uint8_t>{m[4], m[5], m[6], m[7]}), (std::vector<uint8_t>{0x12, 0x34, 0xBE, 0xEF}));
    EXPECT_EQ(std::vector<uint8_t>(m.begin() + 8, m.end()), kData);
    EXPECT_EQ(Checksum(m), 0);
}

struct RawCase {
    const char* name;
    std::function<std::vector<uint8_t>()> packet;
    Answer answer;
};

class MatchRawPacketTest : public testing::TestWithParam<RawCase> {};

TEST_P(MatchRawPacketTest, DecidesWhetherThePacketAnswersTheRequest) {
    const Match m = MatchRawPacket(GetParam().packet(), Expect());
    EXPECT_EQ(m.answer, GetParam().answer) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Packets, MatchRawPacketTest,
    testing::Values(
        RawCase{"good reply", GoodReply, Answer::EchoReply},
        RawCase{"reply with IP options",
                [] { return Ip(kDest, kLocal, Icmp(kTypeEchoReply, 0, kId, kSeq, kData), 2); },
                Answer::EchoReply},
        RawCase{"trailing bytes beyond the total length",
                [] {
                    auto p = GoodReply();
                    p.push_back(0xAA);
                    return p;
                },
                Answer::EchoReply},
        RawCase{"other identifier",
                [] { return Ip(kDest, kLocal, Icmp(kTypeEchoReply, 0, kId + 1, kSeq, kData)); },
                Answer::None},
        RawCase{"stale sequence",
                [] { return Ip(kDest, kLocal, Icmp(kTypeEchoReply, 0, kId, kSeq - 1, kData)); },
                Answer::None},
        RawCase{"other source", [] { return Ip(kRouter, kLocal, Icmp(kTypeEchoReply, 0, kId, kSeq, kData)); },
                Answer::None},
        RawCase{"wrong payload",
                [] {
                    return Ip(kDest, kLocal,
                              Icmp(kTypeEchoReply, 0, kId, kSeq, std::vector<uint8_t>(32, 0x21)));
                },
                Answer::None},
        RawCase{"short payload",
                [] {
                    return Ip(kDest, kLocal,
                              Icmp(kTypeEchoReply, 0, kId, kSeq, std::vector<uint8_t>(31, 0x20)));
                },
                Answer::None},
        RawCase{"bad checksum",
                [] {
                    auto p = GoodReply();
                    p[22] ^= 0x01;
                    return p;
                },
                Answer::None},
        RawCase{"truncated below its total length",
                [] {
                    auto p = GoodReply();
                    p.pop_back();
                    return p;
                },
                Answer::None},
        RawCase{"header length below 20",
                [] {
                    auto p = GoodReply();
                    p[0] = 0x44;
                    return p;
                },
                Answer::None},
        RawCase{"header length beyond the packet",
                [] {
                    auto p = GoodReply();
                    p[0] = 0x4F;
                    p.resize(40);
                    Put16(p, 2, 40);
                    return p;
                },
                Answer::None},
        RawCase{"not IPv4",
                [] {
                    auto p = GoodReply();
                    p[0] = 0x65;
                    return p;
                },
                Answer::None},
        RawCase{"not ICMP",
                [] { return Ip(kDest, kLocal, Icmp(kTypeEchoReply, 0, kId, kSeq, kData), 0, 17); },
                Answer::None},
        RawCase{"header only",
                [] {
                    auto p = GoodReply();
                    p.resize(20);
                    return p;
                },
                Answer::None},
        RawCase{"empty", [] { return std::vector<uint8_t>{}; }, Answer::None},
        RawCase{"our own request seen on loopback",
                [] { return Ip(kLocal, kDest, BuildEchoRequest(kId, kSeq, kData)); }, Answer::None},
        RawCase{"time exceeded quoting the request",
                [] { return ErrorQuoting(kTypeTimeExceeded, 0, OurRequest()); }, Answer::ErrorReport},
        RawCase{"unreachable quoting the whole request",
                [] { return ErrorQuoting(kTypeDestUnreachable, 1, OurRequest(), 1000); },
                Answer::ErrorReport},
        RawCase{"error quoting another request",
                [] {
                    return ErrorQuoting(kTypeTimeExceeded, 0,
                                        Ip(kLocal, kDest, BuildEchoRequest(kId, kSeq + 1, kData)));
                },
                Answer::None},
        RawCase{"error quoting another process's request",
                [] {
                    return ErrorQuoting(kTypeTimeExceeded, 0,
                                        Ip(kLocal, kDest, BuildEchoRequest(kId ^ 1, kSeq, kData)));
                },
                Answer::None},
        RawCase{"error quoting a request to another host",
                [] {
                    return ErrorQuoting(kTypeTimeExceeded, 0,
                                        Ip(kLocal, kRouter, BuildEchoRequest(kId, kSeq, kData)));
                },
                Answer::None},
        RawCase{"error quoting too little",
                [] { return ErrorQuoting(kTypeTimeExceeded, 0, OurRequest(), 27); }, Answer::None},
        RawCase{"redirect quoting the request", [] { return ErrorQuoting(kTypeRedirect, 1, OurRequest()); },
                Answer::None},
        RawCase{"error quoting a reply", [] { return ErrorQuoting(kTypeTimeExceeded, 0, GoodReply()); },
                Answer::None}),
    [](const testing::TestParamInfo<RawCase>& info) {
        std::string n = info.param.name;
        for (char& c : n)
            if (!isalnum(static_cast<unsigned char>(c))) c = '_';
        return n;
    });

TEST(MatchRawPacket, ReportsTheSenderAndTheMessage) {
    const Match reply = MatchRawPacket(GoodReply(), Expect());
    EXPECT_EQ(reply.from, kDest);
    const Match report = MatchRawPacket(ErrorQuoting(kTypeTimeExceeded, 0, OurRequest()), Expect());
    EXPECT_EQ(report.from, kRouter);
    EXPECT_EQ(report.type, kTypeTimeExceeded);
    EXPECT_EQ(report.code, 0);
}

TEST(MatchDatagram, MatchesSequenceAndDataButLeavesTheIdentifierToTheKernel) {
    const auto good = Icmp(kTypeEchoReply, 0, 999, kSeq, kData);
    EXPECT_EQ(MatchDatagram(good, kDest, Expect()).answer, Answer::EchoReply);
    EXPECT_EQ(MatchDatagram(good, kDest, Expect()).from, kDest);
    EXPECT_EQ(MatchDatagram(Icmp(kTypeEchoReply, 0, 999, kSeq + 1, kData), kDest, Expect()).answer,
              Answer::None);
    EXPECT_EQ(MatchDatagram(Icmp(kTypeEchoReply, 0, 999, kSeq, std::vector<uint8_t>(32, 0)), kDest, Expect())
                  .answer,
              Answer::None);
    EXPECT_EQ(MatchDatagram(std::vector<uint8_t>(good.begin(), good.begin() + 7), kDest, Expect()).answer,
              Answer::None);
    EXPECT_EQ(MatchDatagram(Icmp(kTypeEchoRequest, 0, 999, kSeq, kData), kDest, Expect()).answer,
              Answer::None);
}

TEST(QuotedRequestIsOurs, NeedsTheEchoHeaderWithOurSequence) {
    EXPECT_TRUE(QuotedRequestIsOurs(BuildEchoRequest(7, kSeq, {}), Expect()));
    EXPECT_FALSE(QuotedRequestIsOurs(BuildEchoRequest(7, kSeq + 1, kData), Expect()));
    const auto m = BuildEchoRequest(7, kSeq, kData);
    EXPECT_FALSE(QuotedRequestIsOurs(std::vector<uint8_t>(m.begin(), m.begin() + 7), Expect()));
    EXPECT_FALSE(QuotedRequestIsOurs(Icmp(kTypeEchoReply, 0, 7, kSeq, kData), Expect()));
}

TEST(StatusForIcmp, MapsReportsToStatusNumbers) {
    struct Row {
        uint8_t type, code;
        std::optional<uint32_t> status;
    };
    const Row rows[] = {
        {3, 0, st::kDestNetUnreachable},
        {3, 6, st::kDestNetUnreachable},
        {3, 9, st::kDestNetUnreachable},
        {3, 11, st::kDestNetUnreachable},
        {3, 1, st::kDestHostUnreachable},
        {3, 7, st::kDestHostUnreachable},
        {3, 8, st::kDestHostUnreachable},
        {3, 10, st::kDestHostUnreachable},
        {3, 12, st::kDestHostUnreachable},
        {3, 13, st::kDestHostUnreachable},
        {3, 14, st::kDestHostUnreachable},
        {3, 15, st::kDestHostUnreachable},
        {3, 99, st::kDestHostUnreachable},
        {3, 2, st::kDestProtUnreachable},
        {3, 3, st::kDestPortUnreachable},
        {3, 4, st::kPacketTooBig},
        {3, 5, st::kBadRoute},
        {11, 0, st::kTtlExpiredTransit},
        {11, 1, st::kTtlExpiredReassem},
        {11, 7, st::kTtlExpiredTransit},
        {12, 0, st::kParamProblem},
        {12, 2, st::kParamProblem},
        {4, 0, st::kSourceQuench},
        {5, 1, std::nullopt},
        {0, 0, std::nullopt},
        {8, 0, std::nullopt},
        {13, 0, std::nullopt},
    };
    for (const Row& r : rows)
        EXPECT_EQ(StatusForIcmp(r.type, r.code), r.status) << int(r.type) << "/" << int(r.code);
}

TEST(StatusForSendError, MapsLocalErrors) {
    EXPECT_EQ(StatusForSendError(ENETUNREACH), st::kDestNetUnreachable);
    EXPECT_EQ(StatusForSendError(EHOSTUNREACH), st::kDestHostUnreachable);
    EXPECT_EQ(StatusForSendError(EACCES), st::kGeneralFailure);
    EXPECT_EQ(StatusForSendError(EMSGSIZE), st::kGeneralFailure);
}

}  // namespace
