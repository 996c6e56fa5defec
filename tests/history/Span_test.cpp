// What a span of rounds says: outages, gaps and figures over rounds written out, and their texts.
#include <gtest/gtest.h>

#include "history/Csv.h"
#include "history/Span.h"

namespace {

using common::Round;
using history::Outage;
constexpr history::Waits kWaits{55'800, 13'950};
constexpr int64_t kGap = 3 * 55'800;  // after a green round; 3 * 13'950 after any other

// A round at `at` ms: 'G' green (20 ms), 'Y' yellow, 'R' red, on the site given.
history::Point R(int64_t at, char lamp, uint8_t site = 0, int32_t rtt = 20) {
    const uint8_t l = lamp == 'G' ? 0 : lamp == 'Y' ? 1 : 2;
    return {at, site, l, l == 0 ? rtt : -1, l == 0 ? 0 : 11010};
}

TEST(Span, OutagesRunFromTheFirstFailureToTheNextGreenAndGapsCutThem) {
    struct Case {
        const char* name;
        std::vector<history::Point> rounds;
        std::vector<Outage> outages;
        size_t gaps;
        int64_t coveredMs;
    } cases[] = {
        // clang-format off
        {"a site switch inside one", {R(0, 'G'), R(55'800, 'Y', 0), R(69'750, 'R', 1), R(83'700, 'G', 1)},
         {{55'800, 83'700, false, 2, 3}}, 0, 83'700},
        {"still running", {R(0, 'G'), R(1000, 'Y'), R(2000, 'Y')}, {{1000, 2000, true, 1, 1}}, 0, 2000},
        {"a gap is neither up nor down, at its edge and past it", {R(0, 'G'), R(kGap, 'G'), R(2 * kGap + 1, 'G')},
         {}, 1, kGap},
        {"a gap ends the outage before it", {R(0, 'Y'), R(3 * 13'950 + 1, 'R'), R(3 * 13'950 + 2, 'G')},
         {{0, 0, false, 1, 1}, {41'851, 41'852, false, 2, 1}}, 1, 1},
        {"a span that starts inside one", {R(0, 'R'), R(1000, 'R'), R(2000, 'G')}, {{0, 2000, false, 2, 1}}, 0, 2000},
        {"a clock set back", {R(5000, 'G'), R(1000, 'G')}, {}, 1, 0},
        // clang-format on
    };
    for (const Case& c : cases) {
        const history::Summary s = history::Summarise(c.rounds, kWaits);
        EXPECT_EQ(s.outages, c.outages) << c.name;
        EXPECT_EQ(s.gaps.size(), c.gaps) << c.name;
        EXPECT_EQ(s.figures.coveredMs, c.coveredMs) << c.name;
    }
}

TEST(Span, FiguresCountLossPerSiteAndTheRoundTripsByRank) {
    std::vector<history::Point> rounds;
    for (int i = 1; i <= 20; ++i) rounds.push_back(R(i * 1000, 'G', 0, 21 - i));
    rounds.push_back(R(21'000, 'Y', 1));
    rounds.push_back(R(22'000, 'G', 1, 7));
    const history::Figures f = history::Summarise(rounds, kWaits).figures;
    EXPECT_EQ(std::tie(f.rounds, f.sites[0].lost, f.sites[1].rounds, f.sites[1].lost, f.downMs, f.coveredMs),
              std::make_tuple(22, 0, 2, 1, 1000, 21'000));
    // 21 answers, 1 to 20 and a 7: the median is the 11th, the 95th percentile the 20th.
    EXPECT_EQ(std::tie(*f.least, *f.median, *f.p95, *f.most), std::make_tuple(1, 10, 19, 20));
}

TEST(Span, TextsOfLengthsCountsAndTheDescription) {
    // clang-format off
    const std::pair<int64_t, const char*> lengths[] = {{0, "0 s"}, {59'999, "59 s"}, {60'000, "1 min"},
        {192'000, "3 min 12 s"}, {3'599'999, "59 min 59 s"}, {3'600'000, "1 h"}, {86'399'999, "23 h 59 min"},
        {90'000'000, "1 d 1 h"}};
    // clang-format on
    for (const auto& [ms, text] : lengths) EXPECT_EQ(history::LengthText(ms), text) << ms;
    EXPECT_EQ(history::GroupedText(1'000'000), "1,000,000");

    std::vector<history::Point> rounds;
    for (int i = 0; i < 1540; ++i)
        rounds.push_back(R(i * 1000, i == 10 || (i >= 100 && i < 292) ? 'Y' : 'G'));
    rounds[20] = R(20'000, 'Y'), rounds[21] = R(21'000, 'R');
    history::Summary s = history::Summarise(rounds, kWaits);
    EXPECT_EQ(history::Description("Last 24 hours", s),
              "Last 24 hours: 1,540 rounds, 12.7 % lost, 3 outages, the longest 3 min 12 s");
    s.outages.resize(1);
    EXPECT_EQ(history::Description("Last hour", s), "Last hour: 1,540 rounds, 12.7 % lost, 1 outage of 1 s");
    EXPECT_EQ(history::Description("x", history::Summary{}), "x: 0 rounds, 0.0 % lost, no outages");
}

TEST(Csv, TimesInUtcQuotedFieldsAndDates) {
    EXPECT_EQ(history::IsoTimeUtc(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(history::IsoTimeUtc(-1), "1969-12-31T23:59:59.999Z");
    EXPECT_EQ(history::IsoTimeUtc(1'796'789'447'123), "2026-12-09T04:10:47.123Z");
    const Round r{1000, 1, "a,\"b\"\n", "10.0.0.1", 11010, {}, 2, {}};
    EXPECT_EQ(history::CsvRow(r), "1970-01-01T00:00:01.000Z,1,\"a,\"\"b\"\"\n\",10.0.0.1,11010,,2,\r\n");
    setenv("TZ", "UTC0", 1);
    tzset();
    EXPECT_EQ(history::LocalDateMs("2026-12-09"), 1'796'774'400'000);
    EXPECT_EQ(history::LocalDateMs("2024-02-29"), 1'709'164'800'000);
    for (const char* bad :
         {"2026-02-29", "2026-13-01", "2026-04-31", "2026-1-01", "+026-01-01", "2026-01-01x", ""})
        EXPECT_FALSE(history::LocalDateMs(bad)) << bad;
}

}  // namespace
