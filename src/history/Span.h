// What a span of recorded rounds says: its outages, the gaps when nothing was probed, and its figures.
//
// An outage runs from the first round that is not green to the next green round, and is ongoing until
// then; its worst lamp is yellow or red. A stretch without rounds longer than kGapFactor times the wait
// expected after the round before it is a gap: neither up nor down. An outage that a gap interrupts ends
// with the last round before the gap.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/Round.h"
#include "platform/HistoryFile.h"

namespace history {

constexpr int64_t kGapFactor = 3;

// A round as a span keeps it: what the outages, figures and graph need, in 16 bytes (a year of rounds
// held by the History window is 9 MB). The send time holds some 4,000 years either side of 1970.
struct Point {
    static constexpr int64_t kLatestMs = (int64_t{1} << 47) - 1;
    int64_t atMs : 48 = 0;
    uint8_t site = 0;
    uint8_t lamp = 0;
    int32_t rttMs = -1;  // -1: no answer
    int32_t status = 0;
    bool Answered() const { return rttMs >= 0; }
};
static_assert(sizeof(Point) == 16);
// The round's point; a send time beyond what a point holds is taken as the nearest it holds.
Point PointOf(const common::Round& r);
// Appends the points of the rounds sent from `fromMs` on; false with `why` when the file cannot be read.
bool ReadPoints(const platform::HistoryFile& file, int64_t fromMs, std::vector<Point>& points,
                std::string& why);

// The waits the loop makes after a green round and after any other, in milliseconds.
struct Waits {
    int64_t afterGreenMs = 0;
    int64_t otherwiseMs = 0;
    int64_t After(const Point& p) const { return p.lamp == common::kRoundGreen ? afterGreenMs : otherwiseMs; }
};

struct Outage {
    int64_t startMs = 0;
    int64_t endMs = 0;  // the green round that ended it, the last round before a gap, or the last round
    bool ongoing = false;
    uint8_t worstLamp = common::kRoundYellow;
    uint8_t sites = 0;  // bit 0 the main site, bit 1 the alternate: every site probed in it
    int64_t LengthMs() const { return endMs - startMs; }
    bool operator==(const Outage&) const = default;
};

struct SiteLoss {
    int64_t rounds = 0;
    int64_t lost = 0;  // rounds without an answer
    double Percent() const {
        return rounds == 0 ? 0.0 : 100.0 * static_cast<double>(lost) / static_cast<double>(rounds);
    }
};

struct Figures {
    int64_t rounds = 0;
    SiteLoss sites[2];
    SiteLoss all;
    int64_t coveredMs = 0;  // the time between rounds, gaps left out
    int64_t downMs = 0;     // the outages' length
    // Over the answered rounds: least, median, 95th percentile (nearest rank) and most.
    std::optional<int32_t> least, median, p95, most;
    double DownPercent() const {
        return coveredMs == 0 ? 0.0 : 100.0 * static_cast<double>(downMs) / static_cast<double>(coveredMs);
    }
};

struct Summary {
    std::vector<Outage> outages;                    // oldest first
    std::vector<std::pair<int64_t, int64_t>> gaps;  // from the round before to the round after
    Figures figures;
};

// `rounds` oldest first.
Summary Summarise(std::span<const Point> rounds, const Waits& waits);

// "3 min 12 s", "2 h 5 min", "4 d 3 h", "0 s".
std::string LengthText(int64_t ms);
// A number with a comma between thousands: "1,540".
std::string GroupedText(int64_t n);
// The graph's description: "Last 24 hours: 1,540 rounds, 0.3 % lost, 2 outages, the longest 3 min 12 s".
std::string Description(const std::string& spanName, const Summary& s);

}  // namespace history
