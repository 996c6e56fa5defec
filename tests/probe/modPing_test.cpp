#include "probe/modPing.h"

#include <gtest/gtest.h>

#include "fakes/FakeEchoService.h"
#include "fakes/FakeResolver.h"

namespace {

using Octets = std::array<uint8_t, 4>;
using fakes::FakeEchoService;

class ProbeTest : public testing::Test {
  protected:
    int32_t Ping(const std::string& address, int32_t timeOut = 250, uint8_t ttl = 64) {
        return probe.PingAddress(address, timeOut, ttl, replyAddress, status, roundTrip);
    }
    fakes::FakeEchoService echo;
    fakes::FakeResolver resolver;
    modPing::Engine probe{echo, resolver};
    std::string replyAddress, status;
    int32_t roundTrip = 77;
};

TEST_F(ProbeTest, ResolvesDottedTextsWithoutLookUpAndLooksUpEverythingElseUnchanged) {
    resolver.hosts = {{"known.test", {{198, 51, 100, 7}, {198, 51, 100, 8}}},
                      {"3com.example", {{203, 0, 113, 3}}},
                      {"empty.test", {}},
                      {std::string(32767, 'a'), {{1, 2, 3, 4}}}};
    const std::pair<std::string, std::string> cases[] = {
        {"192.168.0.1", "192.168.0.1"},
        {"10.0.0.1   ", "10.0.0.1"},
        {"300.1.1.1", "44.1.1.1"},
        {"10.1", "10.0.0.1"},
        {"1.2.3.4.5", "1.2.3.4"},
        {"7", "0.0.0.7"},
        {"known.test", "198.51.100.7"},
        {"3com.example", "203.0.113.3"},
        {"1x.2.3.4", "0"},
        {"empty.test", ""},
        {" known.test", "0"},
        {std::string(32767, 'a'), "1.2.3.4"},
        {std::string(32768, 'a'), "0"},
        {"1." + std::string(40000, '1'), "0"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(probe.ResolveAddress(text), expected) << text.substr(0, 20);
    EXPECT_EQ(resolver.lookups,
              (std::vector<std::string>{"known.test", "3com.example", "1x.2.3.4", "empty.test", " known.test",
                                        std::string(32767, 'a')}));
    EXPECT_EQ(modPing::AddressFromText("255.0.0.128"), static_cast<int32_t>(0x800000FFu));
}

TEST_F(ProbeTest, SendsOneRequestToTheTrimmedAddressAndReportsTheAnswer) {
    ASSERT_NE(probe.OpenIcmp(), 0);
    echo.replies = {FakeEchoService::Reply({10, 0, 0, 1}, 0, 12),
                    FakeEchoService::Reply({192, 0, 2, 1}, platform::ip_status::kTtlExpiredTransit, 3)};
    EXPECT_EQ(Ping("  10.0.0.1  ", 300, 17), 1);
    EXPECT_EQ(replyAddress + " " + status + " " + std::to_string(roundTrip), "10.0.0.1 0 12");
    ASSERT_EQ(echo.requests.size(), 1u);
    const auto& r = echo.requests[0];
    EXPECT_EQ(r.handle, probe.IcmpHandle());
    EXPECT_EQ(r.destination, (Octets{10, 0, 0, 1}));
    EXPECT_EQ(r.data, std::vector<uint8_t>(32, 0x20));
    EXPECT_EQ(r.options.ttl, 17);
    EXPECT_EQ(r.options.tos, 7);
    EXPECT_EQ(r.options.flags, platform::kIpFlagDontFragment);
    EXPECT_EQ(r.timeoutMs, 300);
    EXPECT_EQ(Ping("198.51.100.2", 250, 1), 1);
    EXPECT_EQ(replyAddress + " " + status + " " + std::to_string(roundTrip), "192.0.2.1 11013 3");
}

TEST_F(ProbeTest, FailuresNameTheErrorAndKeepTheRoundTrip) {
    ASSERT_NE(probe.OpenIcmp(), 0);
    echo.replies = {FakeEchoService::Failure(platform::ip_status::kReqTimedOut),
                    FakeEchoService::Failure(platform::ip_status::kDestNetUnreachable)};
    for (const char* error : {"11010", "11002"}) {
        EXPECT_EQ(Ping("10.0.0.1"), 0);
        EXPECT_EQ(replyAddress + " " + status, std::string("ICMP ERROR ") + error);
        EXPECT_EQ(roundTrip, 77);
    }
}

TEST_F(ProbeTest, HandleIsSetExactlyWhileOpenAndNoHandleIsError6) {
    EXPECT_EQ(probe.StartWinsock(), 0);
    const int32_t handle = probe.OpenIcmp();
    EXPECT_NE(handle, 0);
    EXPECT_EQ(probe.IcmpHandle(), handle);
    probe.CloseIcmp();
    probe.CloseIcmp();
    EXPECT_EQ(probe.IcmpHandle(), 0);
    EXPECT_EQ(echo.closed, std::vector<int32_t>{handle});

    echo.openFails = true;
    EXPECT_EQ(probe.OpenIcmp(), 0);
    EXPECT_EQ(Ping("10.0.0.1"), 0);
    EXPECT_EQ(replyAddress + " " + status + " " + std::to_string(roundTrip), "ICMP ERROR 6 77");
    EXPECT_TRUE(echo.requests.empty());
}

}  // namespace
