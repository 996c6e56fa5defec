#include "platform/linux/EchoWire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

namespace {

using namespace platform::wire;
using Bytes = std::vector<uint8_t>;

// The probe's request to 198.51.100.2, time to live 64, time-out 250 ms, as its bytes go on the wire.
Bytes Written() {
    Bytes b{0xE1, 198, 51, 100, 2, 64, 7, 2, 0x00, 0xFA};
    b.resize(kRequestSize, 0x20);
    return b;
}

// The probe's request with `values` written from byte `at` on, cut or padded to `size` bytes.
Bytes With(size_t at, std::initializer_list<uint8_t> values, size_t size = kRequestSize) {
    Bytes b = Written();
    std::copy(values.begin(), values.end(), b.begin() + static_cast<ptrdiff_t>(at));
    b.resize(size, 0x20);
    return b;
}

// Every field at both edges of what the helper takes, and one step beyond each; what it takes encodes
// back to the very bytes written out above.
TEST(EchoWire, TakesOnlyEchoRequestsWithinTheirBounds) {
    const std::tuple<const char*, Bytes, bool> cases[] = {
        {"the probe's request", With(0, {}), true},
        {"time to live 0", With(5, {0}), true},
        {"time to live 255", With(5, {255}), true},
        {"time-out 1 ms", With(8, {0, 1}), true},
        {"time-out 999 ms", With(8, {0x03, 0xE7}), true},
        {"any data", With(41, {0xFF}), true},
        {"255.255.255.255", With(1, {255, 255, 255, 255}), true},
        {"time-out 0", With(8, {0, 0}), false},
        {"time-out 1000 ms", With(8, {0x03, 0xE8}), false},
        {"destination 0.0.0.0", With(1, {0, 0, 0, 0}), false},
        {"type of service 6", With(6, {6}), false},
        {"no flags", With(7, {0}), false},
        {"other flags", With(7, {3}), false},
        {"another kind", With(0, {kEchoRequest ^ 1}), false},
        {"one byte short", With(0, {}, kRequestSize - 1), false},
        {"one byte more", With(0, {}, kRequestSize + 1), false},
    };
    for (const auto& [what, message, taken] : cases) {
        const auto parsed = ParseRequest(message);
        EXPECT_EQ(parsed.has_value(), taken) << what;
        // What is taken is what was sent, field for field.
        EXPECT_TRUE(!parsed || std::ranges::equal(EncodeRequest(*parsed), message)) << what;
    }
    const EchoRequest probe = ParseRequest(Written()).value();  // throws, failing the test, when not read
    EXPECT_EQ(std::tuple(probe.destination, +probe.options.ttl, probe.timeoutMs),
              std::tuple(platform::Ipv4Address{198, 51, 100, 2}, 64, 250));
}

TEST(EchoWire, RepliesKeepEveryFieldInItsPlaceAndOnlyWholeOnesAreRead) {
    const platform::EchoReply r{1, {192, 0, 2, 1}, 11013, 0xFFFFFFFE, 0x01020304};
    const Bytes written{0, 0, 0, 1, 192, 0, 2, 1, 0, 0, 0x2B, 0x05, 0xFF, 0xFF, 0xFF, 0xFE, 1, 2, 3, 4};
    EXPECT_TRUE(std::ranges::equal(EncodeReply(r), written));
    const platform::EchoReply back = ParseReply(written).value();  // throws, failing the test, when not read
    EXPECT_EQ(std::tuple(back.count, back.address, back.status, back.roundTripMs, back.error),
              std::tuple(r.count, r.address, r.status, r.roundTripMs, r.error));
    EXPECT_FALSE(ParseReply(std::span(written).first(kReplySize - 1)));
}

}  // namespace
