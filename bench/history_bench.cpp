// The round history's costs: recording one round (its transaction committed), the bytes a round takes
// on disk, and reading and summing up a year of rounds at the green wait. Figures only; nothing is
// asserted. Each run works in a folder of its own under /tmp.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "YearOfRounds.h"
#include "history/Span.h"
#include "platform/linux/SqliteHistory.h"

namespace {

using bench::kGreenWaitMs;
using bench::kYearOfRounds;
using bench::RoundAt;

std::string Folder(const char* what) {
    return "/tmp/tn-history-bench-" + std::to_string(::getpid()) + "-" + what;
}

void BM_RecordOneRound(benchmark::State& state) {
    const std::string folder = Folder("record");
    platform::SqliteHistory file(folder);
    if (!file.Open().writable) return state.SkipWithError("no history file");
    std::string why;
    int64_t i = 0;
    for (auto _ : state) {
        const common::Round r = RoundAt(i++);
        file.Append(std::span(&r, 1), why);
    }
    state.counters["bytes_per_round"] =
        static_cast<double>(std::filesystem::file_size(file.Path())) / static_cast<double>(i);
    std::filesystem::remove_all(folder);
}

// A year of rounds written in batches, then the file's size over its rounds (after a checkpoint).
void BM_YearOfRounds(benchmark::State& state) {
    const std::string folder = Folder("year");
    for (auto _ : state) {
        std::filesystem::remove_all(folder);
        platform::SqliteHistory file(folder);
        if (!file.Open().writable) return state.SkipWithError("no history file");
        bench::WriteYear(file, RoundAt(kYearOfRounds).atMs);
    }
    platform::SqliteHistory file(folder);
    file.Open();  // a second open checkpoints nothing; the size read counts the WAL too
    const auto size =
        std::filesystem::file_size(file.Path()) + (std::filesystem::exists(file.Path() + "-wal")
                                                       ? std::filesystem::file_size(file.Path() + "-wal")
                                                       : 0);
    state.counters["bytes_per_round"] = static_cast<double>(size) / static_cast<double>(kYearOfRounds);
    std::vector<history::Point> rounds;
    std::string why;
    const auto start = std::chrono::steady_clock::now();
    history::ReadPoints(file, INT64_MIN, rounds, why);
    const auto read = std::chrono::steady_clock::now();
    const history::Summary s = history::Summarise(rounds, {kGreenWaitMs, bench::kOtherWaitMs});
    const auto summed = std::chrono::steady_clock::now();
    state.counters["read_ms"] = std::chrono::duration<double, std::milli>(read - start).count();
    state.counters["summarise_ms"] = std::chrono::duration<double, std::milli>(summed - read).count();
    state.counters["outages"] = static_cast<double>(s.outages.size());
    std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_RecordOneRound)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_YearOfRounds)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
