#include "probe/modPing.h"

#include <gtest/gtest.h>

#include "fakes/FakeEchoService.h"
#include "fakes/FakeResolver.h"

namespace {

using Octets = std::array<uint8_t, 4>;

Octets OctetsOf(int32_t address) {
    const auto a = static_cast<uint32_t>(address);
    return {static_cast<uint8_t>(a), static_cast<uint8_t>(a >> 8), static_cast<uint8_t>(a >> 16),
            static_cast<uint8_t>(a >> 24)};
}

struct AddressCase {
    std::string text;
    Octets octets;
};

class AddressFromTextTest : public testing::TestWithParam<AddressCase> {};

TEST_P(AddressFromTextTest, ConvertsByTheScanRules) {
    EXPECT_EQ(OctetsOf(modPing::AddressFromText(GetParam().text)), GetParam().octets) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AddressFromTextTest,
    testing::Values(AddressCase{"192.168.0.1", {192, 168, 0, 1}}, AddressCase{"10.1", {10, 0, 0, 1}},
                    AddressCase{"1.2.3.4.5", {1, 2, 3, 4}}, AddressCase{"300.1.1.1", {44, 1, 1, 1}},
                    AddressCase{"1x.2.3.4", {10, 2, 3, 4}}, AddressCase{"", {0, 0, 0, 0}},
                    AddressCase{"abc.def", {0, 0, 0, 0}}, AddressCase{"ICMP ERROR", {0, 0, 0, 0}},
                    AddressCase{"255.255.255.255", {255, 255, 255, 255}}, AddressCase{"256", {0, 0, 0, 0}},
                    AddressCase{"...7", {0, 0, 0, 7}}, AddressCase{"1.2.3.4....9", {1, 2, 3, 4}}));

TEST(AddressFromText, IsInNetworkByteOrderWithTheFirstOctetLowest) {
    EXPECT_EQ(modPing::AddressFromText("1.2.3.4"), 0x04030201);
    EXPECT_EQ(modPing::AddressFromText("255.0.0.128"), static_cast<int32_t>(0x800000FFu));
}

TEST(AddressFromText, ScansTextsOfAnyLength) {
    EXPECT_EQ(OctetsOf(modPing::AddressFromText(std::string(100000, '9'))), (Octets{0, 0, 0, 255}));
}

TEST(AddressBytesToText, WritesFourDecimalOctets) {
    EXPECT_EQ(modPing::AddressBytesToText({192, 168, 0, 1}), "192.168.0.1");
    EXPECT_EQ(modPing::AddressBytesToText({0, 0, 0, 0}), "0.0.0.0");
    EXPECT_EQ(modPing::AddressBytesToText({255, 7, 10, 100}), "255.7.10.100");
}

class ResolveAddressTest : public testing::Test {
  protected:
    void SetUp() override {
        resolver.hosts["known.test"] = {{198, 51, 100, 7}, {198, 51, 100, 8}};
        resolver.hosts["3com.example"] = {{203, 0, 113, 3}};
        resolver.hosts["empty.test"] = {};
        modPing::SetResolver(&resolver);
    }
    void TearDown() override { modPing::SetResolver(nullptr); }
    fakes::FakeResolver resolver;
};

TEST_F(ResolveAddressTest, DottedAddressesNeedNoLookUp) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"192.168.0.1", "192.168.0.1"}, {"10.0.0.1   ", "10.0.0.1"}, {"300.1.1.1", "44.1.1.1"},
        {"10.1", "10.0.0.1"},           {"1.2.3.4.5", "1.2.3.4"},    {"127.0.0.1 ", "127.0.0.1"}};
    for (const auto& [text, expected] : cases) EXPECT_EQ(modPing::ResolveAddress(text), expected) << text;
    EXPECT_TRUE(resolver.lookups.empty());
}

TEST_F(ResolveAddressTest, NamesAreLookedUpUnchanged) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"known.test", "198.51.100.7"},   // the first address of the entry
        {"3com.example", "203.0.113.3"},  // a name that begins with a digit
        {"1x.2.3.4", "0"},                // is a name, and this one is unknown
        {"empty.test", ""},               // an entry without addresses
        {"unknown.test", "0"},
        {" known.test", "0"},  // not trimmed
        {"", "0"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(modPing::ResolveAddress(text), expected) << text;
    EXPECT_EQ(resolver.lookups, (std::vector<std::string>{"known.test", "3com.example", "1x.2.3.4",
                                                          "empty.test", "unknown.test", " known.test", ""}));
}

TEST_F(ResolveAddressTest, OverlongTextsAreRefusedWithoutLookUp) {
    EXPECT_EQ(modPing::ResolveAddress(std::string(32768, 'a')), "0");
    EXPECT_EQ(modPing::ResolveAddress("1." + std::string(40000, '1')), "0");
    EXPECT_TRUE(resolver.lookups.empty());
    resolver.hosts[std::string(32767, 'a')] = {{1, 2, 3, 4}};
    EXPECT_EQ(modPing::ResolveAddress(std::string(32767, 'a')), "1.2.3.4");
}

class PingAddressTest : public testing::Test {
  protected:
    void SetUp() override {
        modPing::SetEchoService(&echo);
        ASSERT_NE(modPing::OpenIcmp(), 0);
    }
    void TearDown() override {
        modPing::CloseIcmp();
        modPing::SetEchoService(nullptr);
    }
    int32_t Ping(const std::string& address, int32_t timeOut = 250, uint8_t ttl = 64) {
        return modPing::PingAddress(address, timeOut, ttl, replyAddress, status, roundTrip);
    }
    fakes::FakeEchoService echo;
    std::string replyAddress = "unset";
    std::string status = "unset";
    int32_t roundTrip = 77;
};

TEST_F(PingAddressTest, SendsOneRequestAsSpecifiedToTheTrimmedAddress) {
    echo.replies.push_back(fakes::FakeEchoService::Reply({10, 0, 0, 1}, 0, 12));
    EXPECT_EQ(Ping("  10.0.0.1  ", 300, 17), 1);
    ASSERT_EQ(echo.requests.size(), 1u);
    const auto& r = echo.requests[0];
    EXPECT_EQ(r.handle, modPing::IcmpHandle());
    EXPECT_EQ(r.destination, (Octets{10, 0, 0, 1}));
    EXPECT_EQ(r.data, std::vector<uint8_t>(32, 0x20));
    EXPECT_EQ(r.options.ttl, 17);
    EXPECT_EQ(r.options.tos, 7);
    EXPECT_EQ(r.options.flags, platform::kIpFlagDontFragment);
    EXPECT_EQ(r.timeoutMs, 300);
    EXPECT_EQ(replyAddress, "10.0.0.1");
    EXPECT_EQ(status, "0");
    EXPECT_EQ(roundTrip, 12);
}

TEST_F(PingAddressTest, StoredErrorReportsAreRepliesWithTheirStatus) {
    echo.replies.push_back(
        fakes::FakeEchoService::Reply({192, 0, 2, 1}, platform::ip_status::kTtlExpiredTransit, 3));
    EXPECT_EQ(Ping("198.51.100.2", 250, 1), 1);
    EXPECT_EQ(replyAddress, "192.0.2.1");
    EXPECT_EQ(status, "11013");
    EXPECT_EQ(roundTrip, 3);
}

TEST_F(PingAddressTest, FailuresKeepTheRoundTripAndNameTheError) {
    for (const uint32_t error : {platform::ip_status::kReqTimedOut, platform::ip_status::kDestNetUnreachable,
                                 platform::ip_status::kGeneralFailure}) {
        echo.replies.push_back(fakes::FakeEchoService::Failure(error));
        roundTrip = 77;
        EXPECT_EQ(Ping("10.0.0.1"), 0);
        EXPECT_EQ(replyAddress, "ICMP ERROR");
        EXPECT_EQ(status, std::to_string(error));
        EXPECT_EQ(roundTrip, 77);
    }
}

TEST_F(PingAddressTest, TheErrorTextOfAFailedProbeIsProbedAsNoAddress) {
    EXPECT_EQ(Ping("ICMP ERROR"), 0);
    ASSERT_EQ(echo.requests.size(), 1u);
    EXPECT_EQ(echo.requests[0].destination, (Octets{0, 0, 0, 0}));
}

TEST(IcmpLifecycle, HandleIsSetExactlyWhileOpen) {
    fakes::FakeEchoService echo;
    modPing::SetEchoService(&echo);
    EXPECT_EQ(modPing::StartWinsock(), 0);
    EXPECT_EQ(modPing::IcmpHandle(), 0);
    const int32_t handle = modPing::OpenIcmp();
    EXPECT_NE(handle, 0);
    EXPECT_EQ(modPing::IcmpHandle(), handle);
    modPing::CloseIcmp();
    EXPECT_EQ(modPing::IcmpHandle(), 0);
    EXPECT_EQ(echo.closed, std::vector<int32_t>{handle});
    modPing::CloseIcmp();  // nothing open: nothing closed again
    EXPECT_EQ(echo.closed.size(), 1u);

    echo.openFails = true;
    EXPECT_EQ(modPing::OpenIcmp(), 0);
    EXPECT_EQ(modPing::IcmpHandle(), 0);
    std::string reply, status;
    int32_t rtt = 5;
    EXPECT_EQ(modPing::PingAddress("10.0.0.1", 250, 64, reply, status, rtt), 0);
    EXPECT_EQ(reply, "ICMP ERROR");
    EXPECT_EQ(status, "6");
    EXPECT_EQ(rtt, 5);
    EXPECT_TRUE(echo.requests.empty());
    modPing::SetEchoService(nullptr);
}

}  // namespace
