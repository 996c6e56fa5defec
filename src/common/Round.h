// One probe round as the round history keeps it, and where the monitor hands each one.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace common {

// A round's lamp as the history stores it.
constexpr uint8_t kRoundGreen = 0, kRoundYellow = 1, kRoundRed = 2;

struct Round {
    int64_t atMs = 0;              // the request's send time: milliseconds since 1970, UTC
    uint8_t site = 0;              // 0 the main site, 1 the alternate
    std::string host;              // the site as the user wrote it
    std::string address;           // the address probed
    int32_t status = 0;            // the round's status number; 0 is success
    std::optional<int32_t> rttMs;  // the round trip, of an answered round only
    uint8_t lamp = 0;              // 0 green, 1 yellow, 2 red
    std::optional<uint8_t> shade;  // a green round's grade, 0 (quickest) to 4
    bool operator==(const Round&) const = default;
};

// Takes each round once its lamp is lit.
class RoundSink {
  public:
    virtual ~RoundSink() = default;
    virtual void Record(const Round& round) = 0;
};

// Hands each round to each of its sinks, in their order.
class RoundFanOut : public RoundSink {
  public:
    RoundFanOut(std::initializer_list<RoundSink*> sinks) : sinks_(sinks) {}
    void Record(const Round& round) override {
        for (RoundSink* sink : sinks_) sink->Record(round);
    }

  private:
    std::vector<RoundSink*> sinks_;
};

}  // namespace common
