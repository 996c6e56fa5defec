#include "probe/modPing.h"

#include <gtest/gtest.h>

#include <tuple>

#include "fakes/FakeEchoService.h"
#include "fakes/FakeResolver.h"

namespace {

using fakes::FakeEchoService;

class ProbeTest : public testing::Test {
  protected:
    // "count replyAddress status roundTrip" of one probe; the round trip starts at 77.
    std::string Ping(const std::string& address, int32_t timeOut = 250, uint8_t ttl = 64) {
        std::string replyAddress = "unset", status = "unset";
        int32_t roundTrip = 77;
        const int32_t count = probe.PingAddress(address, timeOut, ttl, replyAddress, status, roundTrip);
        return std::to_string(count) + " " + replyAddress + " " + status + " " + std::to_string(roundTrip);
    }
    FakeEchoService echo;
    fakes::FakeResolver resolver;
    modPing::Engine probe{echo, resolver};
};

TEST_F(ProbeTest, ResolvesDottedTextsWithoutLookUpAndLooksUpEverythingElseUnchanged) {
    const std::string longest(32767, 'a');
    resolver.hosts = {{"known.test", {{198, 51, 100, 7}, {198, 51, 100, 8}}},
                      {"3com.example", {{203, 0, 113, 3}}},
                      {"empty.test", {}},
                      {longest, {{1, 2, 3, 4}}}};
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"192.168.0.1", "192.168.0.1"}, {"10.0.0.1   ", "10.0.0.1"}, {"300.1.1.1", "44.1.1.1"},
        {"10.1", "10.0.0.1"}, {"1.2.3.4.5", "1.2.3.4"}, {"7", "0.0.0.7"}, {"known.test", "198.51.100.7"},
        {"3com.example", "203.0.113.3"}, {"1x.2.3.4", "0"}, {"empty.test", ""}, {" known.test", "0"},
        {longest, "1.2.3.4"}, {longest + "a", "0"}, {"1." + std::string(40000, '1'), "0"}};
    // clang-format on
    for (const auto& [text, expected] : cases) EXPECT_EQ(probe.ResolveAddress(text), expected) << text.size();
    EXPECT_TRUE(resolver.lookups == (std::vector<std::string>{"known.test", "3com.example", "1x.2.3.4",
                                                              "empty.test", " known.test", longest}));
}

TEST_F(ProbeTest, SendsOneRequestToTheTrimmedAddressOnlyWhileOpenAndReportsTheAnswerOrTheError) {
    const int32_t handle = probe.OpenIcmp();
    ASSERT_NE(handle, 0);
    echo.replies = {FakeEchoService::Reply({192, 0, 2, 1}, 11013, 12)};
    EXPECT_EQ(Ping("  10.0.0.1  ", 300, 17), "1 192.0.2.1 11013 12");
    const auto& r = echo.requests.at(0);
    EXPECT_EQ((std::tuple{r.handle, probe.IcmpHandle(), r.destination, r.data, r.timeoutMs, r.options.ttl,
                          r.options.tos, r.options.flags}),
              (std::tuple{handle, handle, std::array<uint8_t, 4>{10, 0, 0, 1}, std::vector<uint8_t>(32, 0x20),
                          300, 17, 7, 2}));
    EXPECT_EQ(Ping("10.0.0.1"), "0 ICMP ERROR 11010 77");  // nothing more queued: the fake times out
    // The handle is set exactly while open; without one, error 6 and nothing sent.
    probe.CloseIcmp();
    probe.CloseIcmp();
    EXPECT_EQ(probe.IcmpHandle(), 0);
    EXPECT_EQ(echo.closed, std::vector<int32_t>{handle});
    echo.openFails = true;
    EXPECT_EQ(probe.OpenIcmp(), 0);
    EXPECT_EQ(Ping("10.0.0.1"), "0 ICMP ERROR 6 77");
    EXPECT_EQ(echo.requests.size(), 2u);  // one a probe, none without a handle
}

}  // namespace
