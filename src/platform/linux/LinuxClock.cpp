#include "platform/linux/LinuxClock.h"

#include <sys/timerfd.h>

#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <utility>

namespace platform {

namespace {

// How far CLOCK_BOOTTIME must have moved ahead of CLOCK_MONOTONIC to count as a suspend. Without one
// the two clocks move together (both are slewed alike), so the margin only absorbs the reading itself.
constexpr int64_t kSuspendNoticedMs = 500;

int64_t Milliseconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

int64_t SuspendedMs(const ClockReadings& r) {
    return r.bootMs - r.monotonicMs;
}

}  // namespace

ClockReadings ReadSystemClocks() {
    return {Milliseconds(CLOCK_BOOTTIME), Milliseconds(CLOCK_MONOTONIC)};
}

LinuxClock::LinuxClock(ReadClocks read)
    : read_(std::move(read)),
      wakeFd_(timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC)),
      suspendedMs_(SuspendedMs(read_())) {}

LinuxClock::~LinuxClock() {
    if (wakeFd_ >= 0) close(wakeFd_);
}

int32_t LinuxClock::GetTickCount() {
    const auto ms = static_cast<uint64_t>(read_().bootMs);
    return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

void LinuxClock::Sleep(int32_t milliseconds) {
    if (milliseconds <= 0) return;
    timespec left{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1'000'000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

uint32_t LinuxClock::Resumes() {
    const int64_t suspended = SuspendedMs(read_());
    if (suspended - suspendedMs_ >= kSuspendNoticedMs) {
        ++resumes_;
        suspendedMs_ = suspended;
    }
    return resumes_;
}

void LinuxClock::ArmWake(int32_t milliseconds) {
    if (wakeFd_ < 0) return;
    const int32_t ms = milliseconds > 0 ? milliseconds : 1;  // an all-zero time would disarm it
    itimerspec when{};
    when.it_value = {ms / 1000, static_cast<long>(ms % 1000) * 1'000'000};
    timerfd_settime(wakeFd_, 0, &when, nullptr);
}

void LinuxClock::ClearWake() {
    if (wakeFd_ < 0) return;
    const itimerspec off{};
    timerfd_settime(wakeFd_, 0, &off, nullptr);
    uint64_t expiries = 0;
    [[maybe_unused]] const ssize_t n = read(wakeFd_, &expiries, sizeof expiries);
}

int64_t LinuxClock::NowMs() {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1'000'000;
}

}  // namespace platform
