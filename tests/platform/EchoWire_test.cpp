#include "platform/linux/EchoWire.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using namespace platform::wire;
using Bytes = std::vector<uint8_t>;

Bytes Good() {
    EchoRequest r{{198, 51, 100, 2}, {64, kTypeOfService, kFlags}, {}, 250};
    r.data.fill(0x20);
    const RequestBytes m = EncodeRequest(r);
    return {m.begin(), m.end()};
}

Bytes With(size_t at, uint8_t value) {
    Bytes m = Good();
    m.at(at) = value;
    return m;
}

Bytes Destination(uint8_t octet) {
    Bytes m = Good();
    std::fill_n(m.begin() + 1, 4, octet);
    return m;
}

Bytes Sized(size_t size) {
    Bytes m = Good();
    m.resize(size, 0x20);
    return m;
}

Bytes Timeout(int ms) {
    Bytes m = Good();
    m[8] = static_cast<uint8_t>(ms >> 8), m[9] = static_cast<uint8_t>(ms);
    return m;
}

// Every field at both edges of what the helper takes, and one step beyond each.
TEST(EchoWire, TakesOnlyEchoRequestsWithinTheirBounds) {
    const struct {
        const char* what;
        Bytes message;
        bool taken;
    } cases[] = {
        {"the probe's request", Good(), true},
        {"time to live 0", With(5, 0), true},
        {"time to live 255", With(5, 255), true},
        {"time-out 1 ms", Timeout(1), true},
        {"time-out 999 ms", Timeout(999), true},
        {"any data", With(41, 0xFF), true},
        {"255.255.255.255", Destination(255), true},
        {"time-out 0", Timeout(0), false},
        {"time-out 1000 ms", Timeout(1000), false},
        {"destination 0.0.0.0", Destination(0), false},
        {"type of service 6", With(6, 6), false},
        {"no flags", With(7, 0), false},
        {"other flags", With(7, 3), false},
        {"another kind", With(0, kEchoRequest ^ 1), false},
        {"one byte short", Sized(kRequestSize - 1), false},
        {"one byte more", Sized(kRequestSize + 1), false},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseRequest(c.message);
        EXPECT_EQ(parsed.has_value(), c.taken) << c.what;
        // What is taken is what was sent, field for field.
        if (parsed) {
            const RequestBytes again = EncodeRequest(*parsed);
            EXPECT_EQ(Bytes(again.begin(), again.end()), c.message) << c.what;
        }
    }
}

TEST(EchoWire, RepliesKeepEveryFieldAndOnlyWholeOnesAreRead) {
    const platform::EchoReply r{.count = 1,
                                .address = {192, 0, 2, 1},
                                .status = 11013,
                                .roundTripMs = 0xFFFFFFFE,
                                .error = 0x01020304};
    const ReplyBytes m = EncodeReply(r);
    const auto back = ParseReply(m);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::tuple(back->count, back->address, back->status, back->roundTripMs, back->error),
              std::tuple(r.count, r.address, r.status, r.roundTripMs, r.error));
    EXPECT_FALSE(ParseReply(std::span(m).first(kReplySize - 1)));
}

}  // namespace
