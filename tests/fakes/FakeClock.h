// A clock in fake time: Sleep advances it at once, so a wait of hours takes microseconds. Actions
// scheduled for a moment run inside the first Sleep that reaches it, as user input would arrive
// during a wait's event dispatch.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "platform/Clock.h"

namespace fakes {

class FakeClock : public platform::TickClock {
  public:
    int64_t now = 0;  // milliseconds; read as the low 32 bits, signed
    int64_t slept = 0;
    int sleeps = 0;
    std::multimap<int64_t, std::function<void()>> actions;

    int32_t GetTickCount() override {
        return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(now)));
    }
    void Sleep(int32_t ms) override {
        ++sleeps;
        slept += ms;
        now += ms;
        while (!actions.empty() && actions.begin()->first <= now) {
            auto action = std::move(actions.begin()->second);
            actions.erase(actions.begin());
            action();
        }
    }
    void At(int64_t when, std::function<void()> action) { actions.emplace(when, std::move(action)); }
};

class ScopedClock {
  public:
    explicit ScopedClock(FakeClock& c) { platform::SetClock(&c); }
    ~ScopedClock() { platform::SetClock(nullptr); }
};

}  // namespace fakes
