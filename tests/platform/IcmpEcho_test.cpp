#include "platform/linux/IcmpEcho.h"

#include <netinet/in.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "platform/linux/LinuxEchoService.h"

namespace {

using platform::ReceiveStampNs;
using platform::RoundTripNs;

// A message whose control data holds an IP_RECVERR record and then `stamp` (or no stamp).
struct Received {
    alignas(cmsghdr) uint8_t control[CMSG_SPACE(16) + CMSG_SPACE(sizeof(timespec))]{};
    msghdr msg{};
    explicit Received(const timespec* stamp, size_t stampLen = CMSG_LEN(sizeof(timespec))) {
        msg.msg_control = control;
        msg.msg_controllen = stamp ? sizeof control : CMSG_SPACE(16);
        cmsghdr* c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = SOL_IP, c->cmsg_type = IP_RECVERR, c->cmsg_len = CMSG_LEN(16);
        if (!stamp) return;
        c = CMSG_NXTHDR(&msg, c);
        c->cmsg_level = SOL_SOCKET, c->cmsg_type = SCM_TIMESTAMPNS, c->cmsg_len = stampLen;
        std::memcpy(CMSG_DATA(c), stamp, sizeof *stamp);
    }
};

TEST(ReceivePath, TheKernelsStampIsFoundBehindOtherControlData) {
    const timespec stamp{1'700'000'000, 123'456'789};
    EXPECT_EQ(ReceiveStampNs(Received(&stamp).msg), 1'700'000'000'123'456'789);
    EXPECT_EQ(ReceiveStampNs(Received(nullptr).msg), std::nullopt);
    EXPECT_EQ(ReceiveStampNs(Received(&stamp, CMSG_LEN(sizeof(timespec) - 1)).msg), std::nullopt);  // cut
}

// Sent at real time R and monotonic time M; read 9 ms later on the monotonic clock.
TEST(ReceivePath, RoundTripIsTheStampsUnlessTheRealTimeClockStepped) {
    constexpr int64_t R = 1'700'000'000'000'000'000, M = 5'000'000'000, ms = 1'000'000;
    const struct {
        std::optional<int64_t> stamp, left;
        int64_t expected;
    } cases[] = {
        // The kernel took it in 2 ms after the send: the 7 ms waited are not counted.
        {R + 2 * ms, {}, 2 * ms},
        {R, {}, 0},
        {R + 9 * ms, {}, 9 * ms},
        {std::nullopt, {}, 9 * ms},        // no stamp: up to the read
        {R - 1, {}, 9 * ms},               // the clock stepped back
        {R + 9 * ms + 1, {}, 9 * ms},      // or forward
        {R + 5 * ms, R + 3 * ms, 2 * ms},  // it left 3 ms after the send was asked for
        {R + 5 * ms, R + 5 * ms, 0},
        {R + 5 * ms, R - 1, 5 * ms},           // an earlier request's stamp, or the clock stepped
        {R + 5 * ms, R + 5 * ms + 1, 5 * ms},  // left after its answer came: impossible
        {std::nullopt, R + 3 * ms, 9 * ms},
    };
    for (const auto& c : cases) EXPECT_EQ(RoundTripNs({R, M, c.left}, c.stamp, M + 9 * ms), c.expected);
}

// A refusal that means "not allowed here" leads to the next way of sending; any other (here: no
// descriptor left) is told, and nothing else is tried.
TEST(OpeningEcho, OnlyTheRefusalsThatMeanNotAllowedLeadToTheNextWay) {
    platform::LinuxEchoService echo({.rawInProcess = true, .helper = "/bin/true"});
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const int lowestFree = dup(0);
    close(lowestFree);
    const rlimit full{static_cast<rlim_t>(lowestFree), limit.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &full), 0);
    const int32_t handle = echo.Open();
    setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_EQ(handle, 0);
    // Whether the ping socket is open here or not, the way that ran out of descriptors is the last told.
    const std::string told = echo.OpenError();
    EXPECT_TRUE(told.ends_with(std::string("socket: ") + std::strerror(EMFILE))) << told;
    EXPECT_EQ(told.find("helper"), std::string::npos) << told;
}

}  // namespace
