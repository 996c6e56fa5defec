#include "history/Span.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace history {

namespace {

uint8_t SiteBit(const Point& r) {
    return static_cast<uint8_t>(1u << (r.site & 1u));
}

// The nearest-rank percentile of sorted values.
int32_t Rank(const std::vector<int32_t>& sorted, double fraction) {
    const auto n = static_cast<double>(sorted.size());
    const auto rank = static_cast<size_t>(std::max(1.0, std::ceil(fraction * n)));
    return sorted[std::min(rank, sorted.size()) - 1];
}

void Count(Figures& f, const Point& r) {
    ++f.rounds;
    for (SiteLoss* loss : {&f.sites[r.site & 1u], &f.all}) {
        ++loss->rounds;
        if (!r.Answered()) ++loss->lost;
    }
}

void Answered(Figures& f, std::vector<int32_t>& trips) {
    if (trips.empty()) return;
    std::sort(trips.begin(), trips.end());
    f.least = trips.front();
    f.median = Rank(trips, 0.5);
    f.p95 = Rank(trips, 0.95);
    f.most = trips.back();
}

}  // namespace

Point PointOf(const common::Round& r) {
    return {std::clamp(r.atMs, -Point::kLatestMs - 1, Point::kLatestMs), r.site, r.lamp, r.rttMs.value_or(-1),
            r.status};
}

bool ReadPoints(const platform::HistoryFile& file, int64_t fromMs, std::vector<Point>& points,
                std::string& why) {
    return file.Read(
        fromMs, [&points](const common::Round& r) { points.push_back(PointOf(r)); }, why);
}

Summary Summarise(std::span<const Point> rounds, const Waits& waits) {
    Summary s;
    Figures& f = s.figures;
    std::vector<int32_t> trips;
    trips.reserve(rounds.size());
    std::optional<Outage> open;
    const auto close = [&](int64_t endMs) {
        open->endMs = endMs;
        f.downMs += open->LengthMs();
        s.outages.push_back(*open);
        open.reset();
    };
    const Point* before = nullptr;
    for (const Point& r : rounds) {
        if (before != nullptr) {
            const int64_t step = r.atMs - before->atMs;
            // A clock set back is no time covered either.
            if (step < 0 || step > kGapFactor * waits.After(*before)) {
                s.gaps.emplace_back(before->atMs, r.atMs);
                if (open) close(before->atMs);
            } else {
                f.coveredMs += step;
            }
        }
        Count(f, r);
        if (r.Answered()) trips.push_back(r.rttMs);
        if (r.lamp == common::kRoundGreen) {
            if (open) close(r.atMs);
        } else if (!open) {
            open = Outage{r.atMs, r.atMs, false, r.lamp, SiteBit(r)};
        } else {
            open->worstLamp = std::max(open->worstLamp, r.lamp);
            open->sites |= SiteBit(r);
        }
        before = &r;
    }
    if (open) {
        open->ongoing = true;
        close(before->atMs);
    }
    Answered(f, trips);
    return s;
}

std::string LengthText(int64_t ms) {
    const int64_t s = std::max<int64_t>(0, ms) / 1000;
    const auto two = [](int64_t big, const char* bigUnit, int64_t small, const char* smallUnit) {
        std::string text = std::to_string(big) + " " + bigUnit;
        if (small != 0) text += " " + std::to_string(small) + " " + smallUnit;
        return text;
    };
    if (s < 60) return std::to_string(s) + " s";
    if (s < 3600) return two(s / 60, "min", s % 60, "s");
    if (s < 86400) return two(s / 3600, "h", s % 3600 / 60, "min");
    return two(s / 86400, "d", s % 86400 / 3600, "h");
}

std::string GroupedText(int64_t n) {
    const std::string digits = std::to_string(n < 0 ? -n : n);
    std::string text = n < 0 ? "-" : "";
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

std::string Description(const std::string& spanName, const Summary& s) {
    const Figures& f = s.figures;
    char lost[32];
    std::snprintf(lost, sizeof lost, "%.1f %% lost", f.all.Percent());
    std::string text =
        spanName + ": " + GroupedText(f.rounds) + (f.rounds == 1 ? " round, " : " rounds, ") + lost;
    if (s.outages.empty()) return text + ", no outages";
    int64_t longest = 0;
    for (const Outage& o : s.outages) longest = std::max(longest, o.LengthMs());
    if (s.outages.size() == 1) return text + ", 1 outage of " + LengthText(longest);
    return text + ", " + GroupedText(static_cast<int64_t>(s.outages.size())) + " outages, the longest " +
           LengthText(longest);
}

}  // namespace history
