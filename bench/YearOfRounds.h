// A year of generated rounds at the green wait, written into a history file: green rounds on the main
// site with one yellow round on the alternate site in each 500.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/SqliteHistory.h"

namespace bench {

constexpr int64_t kGreenWaitMs = 55'800;
constexpr int64_t kOtherWaitMs = 13'950;
constexpr int64_t kYearOfRounds = 365LL * 24 * 3600 * 1000 / kGreenWaitMs;  // about 565,000

// The i-th round of a year that ends at `endMs`.
inline common::Round RoundAt(int64_t i, int64_t endMs = 1'700'000'000'000 + kYearOfRounds * kGreenWaitMs) {
    common::Round r{
        endMs - (kYearOfRounds - i) * kGreenWaitMs, 0, "www.example.org", "93.184.215.14", 0, 18, 0, 0};
    if (i % 500 == 7) r = {r.atMs, 1, "alt.example.net", "198.51.100.20", 11010, {}, 1, {}};
    return r;
}

// Writes the year into `file`, in batches as a held lock would leave them.
inline void WriteYear(platform::SqliteHistory& file, int64_t endMs) {
    std::string why;
    std::vector<common::Round> batch;
    for (int64_t i = 0; i < kYearOfRounds; ++i) {
        batch.push_back(RoundAt(i, endMs));
        if (batch.size() == 10'000) file.Append(batch, why), batch.clear();
    }
    file.Append(batch, why);
}

}  // namespace bench
