// The real program as a user runs it, beside bare_tray (a bare Qt program with as many widgets and a
// tray icon), both measured the same way on a private desktop (Xvfb, trayer, a session bus):
//  - Start: launch until the main window is mapped (MapNotify of a root child with the program's
//    caption), the median of 5 (TN_BENCH_RUNS) runs of each, alternating, after a warm-up; the peak resident
//    memory when the window is mapped (VmHWM) and over the first 2 s (wait4's ru_maxrss after SIGKILL).
//  - Idle: wake-ups (context switches of all threads) per second and processor time as % of one core
//    over TN_BENCH_SECONDS (60) seconds, hidden in the tray and with the window shown; TarnovelMon
//    monitors 127.0.0.1 every minute in both: hidden as a logon start, shown after a click on Start.
// Every program runs with a home of its own; all of it runs inside a network namespace of its own.
// Needs root (the namespace, the programs' raw ICMP socket), Xvfb, trayer and xdotool.
#include <benchmark/benchmark.h>
#include <signal.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <thread>

#include "desktop_session.h"

namespace {

using namespace deskbench;
using namespace std::chrono_literals;

struct Program {
    std::string name;
    std::string path;
    std::string caption;
    bool tarnovel;
};

enum class Mode { kShown, kHidden };

// Where the window's Start button is, in pixels from the top-left corner of its client area.
const char* const kStartButton[] = {"231", "122"};

const char kSettings[] =
    "[Settings]\nsite0=127.0.0.1\nsite1=127.0.0.1\nTimeOut=250\nTTL=64\nLoopMn=1\n"
    "level0=75\nlevel1=120\nlevel2=200\n";

struct StartFigures {
    double ms = 0;
    double hwmAtMapMb = 0;
    double peakMb = 0;
};

struct Bench {
    Desktop desktop;
    std::string why;  // why the desktop is not up
    int runs = 0;
};

int Setting(const char* name, int otherwise) {
    const char* s = std::getenv(name);
    const int n = s == nullptr ? 0 : std::atoi(s);
    return n > 0 ? n : otherwise;
}

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

// A fresh home: TarnovelMon's settings monitor 127.0.0.1, and hidden is its logon start.
std::vector<std::string> Prepare(Bench& b, const Program& p, Mode mode) {
    const std::string home = b.desktop.Folder() + "/run" + std::to_string(++b.runs);
    const std::vector<std::string> env = b.desktop.Environment(home);
    if (p.tarnovel) {
        WriteFile(home + "/.config/TarnovelMon/TarnovelMon.ini", kSettings);
        if (mode == Mode::kHidden) {
            WriteFile(home + "/.config/autostart/TarnovelMon.exe.desktop",
                      "[Desktop Entry]\nType=Application\nName=Tarnovel Monitor\nExec=" + p.path + "\n");
        }
    }
    return env;
}

std::vector<std::string> Arguments(const Program& p, Mode mode) {
    if (!p.tarnovel && mode == Mode::kHidden) return {p.path, "--hidden"};
    return {p.path};
}

std::string StartOnce(Bench& b, const Program& p, StartFigures& figures) {
    const std::vector<std::string> env = Prepare(b, p, Mode::kShown);
    b.desktop.Watch().Drain();
    const Clock::time_point launched = Clock::now();
    const pid_t pid = Launch(Arguments(p, Mode::kShown), env, b.desktop.LogFile());
    const auto mapped = b.desktop.Watch().WaitForMap(p.caption, launched + 20s);
    figures.hwmAtMapMb = VmHwmMb(pid);
    if (mapped) std::this_thread::sleep_for(2s);
    figures.peakMb = KillAndPeakMb(pid);
    if (!mapped) return "SKIPPED: " + p.name + "'s window was not mapped within 20 s";
    figures.ms = std::chrono::duration<double, std::milli>(mapped->second - launched).count();
    return "";
}

// Each figure's median over the runs.
StartFigures MedianOf(const std::vector<StartFigures>& runs) {
    const auto median = [&](double StartFigures::*figure) {
        std::vector<double> values;
        for (const StartFigures& f : runs) values.push_back(f.*figure);
        return Median(values);
    };
    return {median(&StartFigures::ms), median(&StartFigures::hwmAtMapMb), median(&StartFigures::peakMb)};
}

// The two programs' runs alternate, in the order ABBA, so that a machine growing busier or quieter
// weighs on both alike; the first pair warms the caches of the system, the X server and the tray.
void BM_Start(benchmark::State& state, Bench& b, const Program& bare, const Program& tarnovel) {
    for (auto _ : state) {
        std::vector<StartFigures> runs[2];
        for (int pair = 0, pairs = Setting("TN_BENCH_RUNS", 5); pair <= pairs; ++pair) {
            for (int i = 0; i < 2; ++i) {
                const int which = pair % 2 == 0 ? i : 1 - i;
                StartFigures f;
                if (const std::string why =
                        b.why.empty() ? StartOnce(b, which == 0 ? bare : tarnovel, f) : "SKIPPED: " + b.why;
                    !why.empty()) {
                    state.SkipWithError(why.c_str());
                    return;
                }
                if (pair > 0) runs[which].push_back(f);
            }
        }
        const StartFigures bareFigures = MedianOf(runs[0]);
        const StartFigures median = MedianOf(runs[1]);
        const auto [fastest, slowest] = std::minmax_element(
            runs[1].begin(), runs[1].end(), [](const auto& x, const auto& y) { return x.ms < y.ms; });
        state.SetIterationTime(median.ms / 1000);
        state.counters["start_ms"] = median.ms;
        state.counters["start_min_ms"] = fastest->ms;
        state.counters["start_max_ms"] = slowest->ms;
        state.counters["hwm_at_map_MB"] = median.hwmAtMapMb;
        state.counters["peak_2s_MB"] = median.peakMb;
        state.counters["bare_start_ms"] = bareFigures.ms;
        state.counters["bare_hwm_at_map_MB"] = bareFigures.hwmAtMapMb;
        state.counters["start_vs_bare"] = median.ms / bareFigures.ms;
        state.counters["hwm_at_map_vs_bare_MB"] = median.hwmAtMapMb - bareFigures.hwmAtMapMb;
        state.counters["peak_2s_vs_bare_MB"] = median.peakMb - bareFigures.peakMb;
    }
}

// The program up as the mode asks, TarnovelMon monitoring; empty when it is, otherwise why not.
std::string BringUp(Bench& b, const Program& p, Mode mode, pid_t& pid) {
    const std::vector<std::string> env = Prepare(b, p, mode);
    const double echoes = EchoRequestsSent();
    b.desktop.Watch().Drain();
    pid = Launch(Arguments(p, mode), env, b.desktop.LogFile());
    // Hidden: no window for 3 s. Shown: the window within 20 s, and Start pressed.
    const auto mapped =
        b.desktop.Watch().WaitForMap(p.caption, Clock::now() + (mode == Mode::kHidden ? 3s : 20s));
    if (mode == Mode::kHidden && mapped) return p.name + " showed its window instead of hiding in the tray";
    if (mode == Mode::kShown && !mapped) return p.name + "'s window was not mapped within 20 s";
    if (!p.tarnovel) return "";
    if (mode == Mode::kShown) {
        const std::string xdotool = FindTool("xdotool");
        if (xdotool.empty()) return "xdotool is not installed";
        RunTool({xdotool, "mousemove", "--window", std::to_string(mapped->first), kStartButton[0],
                 kStartButton[1], "click", "1"},
                env, b.desktop.LogFile());
    }
    for (auto until = Clock::now() + 10s; Clock::now() < until; std::this_thread::sleep_for(50ms)) {
        if (EchoRequestsSent() > echoes) return "";
    }
    return p.name + " sent no echo request: it is not monitoring";
}

void BM_Idle(benchmark::State& state, Bench& b, const Program& p, Mode mode) {
    for (auto _ : state) {
        pid_t pid = 0;
        std::string why = b.why.empty() ? BringUp(b, p, mode, pid) : b.why;
        if (why.empty()) {
            std::this_thread::sleep_for(3s);  // past the start's own work
            const Usage before = ReadUsage(pid);
            const double echoes = EchoRequestsSent();
            const Clock::time_point from = Clock::now();
            std::this_thread::sleep_for(std::chrono::seconds(Setting("TN_BENCH_SECONDS", 60)));
            const Usage after = ReadUsage(pid);
            const double seconds = std::chrono::duration<double>(Clock::now() - from).count();
            if (!Alive(pid)) why = p.name + " ended while it was measured";
            state.SetIterationTime(seconds);
            state.counters["wakeups_per_s"] = (after.switches - before.switches) / seconds;
            state.counters["cpu_pct_core"] = 100 * (after.cpuSeconds - before.cpuSeconds) / seconds;
            state.counters["echoes"] = EchoRequestsSent() - echoes;
        }
        if (pid > 0) state.counters["peak_MB"] = KillAndPeakMb(pid);
        if (!why.empty()) {
            state.SkipWithError(("SKIPPED: " + why).c_str());
            return;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Bench b;
    b.why = b.desktop.Start();
    const Program bare{"bare_tray", RealPath(TN_BARE_TRAY), "Bare Tray", false};
    const Program tarnovel{"TarnovelMon", RealPath(TN_PROGRAM), "Kestrune Software Tarnovel Monitor", true};
    benchmark::RegisterBenchmark("Start/TarnovelMon_beside_bare_tray", BM_Start, std::ref(b), bare, tarnovel)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    for (const Mode mode : {Mode::kHidden, Mode::kShown}) {
        for (const Program* p : {&bare, &tarnovel}) {
            const std::string name = "Idle/" + p->name + (mode == Mode::kHidden ? "/hidden" : "/shown");
            benchmark::RegisterBenchmark(name.c_str(), BM_Idle, std::ref(b), *p, mode)
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kSecond);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
