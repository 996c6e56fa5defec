// The monitor as it runs for the user, on the real platform (run it on an X server, e.g. Xvfb):
//  - the processor time the program uses over 60 s (TN_BENCH_SECONDS) of monitoring 127.0.0.1;
//  - how long Stop takes to end a wait: a second thread delivers the Stop at a random moment, as
//    input arrives from the user, and the time until the start command returns is measured.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <unistd.h>
#include <QApplication>
#include <QMetaObject>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "RealDesktop.h"
#include "mainwindow/modPingAuto.h"
#include "platform/forms/Services.h"
#include "platform/linux/LinuxEchoService.h"
#include "platform/qt/QtEventClock.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// User and system processor time of the process so far.
std::pair<double, double> CpuSeconds() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return {Seconds(r.ru_utime), Seconds(r.ru_stime)};
}

// 60 s unless TN_BENCH_SECONDS says otherwise.
int MeasureSeconds() {
    const int s = qEnvironmentVariableIntValue("TN_BENCH_SECONDS");
    return s > 0 ? s : 60;
}

// The program's window on the real services, made by main.
frmPing* gWindow = nullptr;
frmPing* Window() {
    return gWindow;
}

// Stops the monitor from another thread after `delay`, as the user's click would arrive.
std::thread StopAfter(std::chrono::milliseconds delay, Clock::time_point& stoppedAt) {
    return std::thread([delay, &stoppedAt] {
        std::this_thread::sleep_for(delay);
        stoppedAt = Clock::now();
        QMetaObject::invokeMethod(
            qApp, [] { Window()->cmdStop_Click(); }, Qt::QueuedConnection);
    });
}

void BM_MonitorCpu(benchmark::State& state) {
    frmPing* w = Window();
    for (auto _ : state) {
        Clock::time_point stoppedAt;
        const auto cpu0 = CpuSeconds();
        const auto wall0 = Clock::now();
        std::thread stopper = StopAfter(std::chrono::seconds(MeasureSeconds()), stoppedAt);
        w->cmdStart_Click();
        stopper.join();
        const auto cpu1 = CpuSeconds();
        const double user = cpu1.first - cpu0.first;
        const double cpu = user + cpu1.second - cpu0.second;
        const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
        state.SetIterationTime(wall);
        state.counters["cpu_s"] = cpu;
        state.counters["user_s"] = user;
        state.counters["cpu_percent_of_core"] = 100.0 * cpu / wall;
        state.counters["rounds"] = w->lblGd()->Caption().toDouble();
    }
}

void BM_StopLatency(benchmark::State& state) {
    frmPing* w = Window();
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> phase(300, 1300);
    double worst = 0;
    double total = 0;
    int n = 0;
    for (auto _ : state) {
        Clock::time_point stoppedAt;
        std::thread stopper = StopAfter(std::chrono::milliseconds(phase(random)), stoppedAt);
        w->cmdStart_Click();
        const double latency = std::chrono::duration<double, std::milli>(Clock::now() - stoppedAt).count();
        stopper.join();
        state.SetIterationTime(latency / 1000.0);
        worst = std::max(worst, latency);
        total += latency;
        ++n;
    }
    state.counters["max_ms"] = worst;
    state.counters["mean_ms"] = n ? total / n : 0;
}

// One pass of the wait's checks without its sleep: what each 35 ms poll costs.
void BM_WaitPoll(benchmark::State& state) {
    Window();
    for (auto _ : state) forms::DoEvents();
}

BENCHMARK(BM_WaitPoll);
// The Stop runs warm the window (its first paints and glyphs) before the processor time is measured.
BENCHMARK(BM_StopLatency)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonitorCpu)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    platform::LinuxEchoService echo;
    platform::QtEventClock clock;
    RealDesktop desktop;
    modPingAuto::Program program(desktop.With(echo, clock), desktop.Windows());
    gWindow = &program.Window();
    gWindow->ShowForm();
    if (!gWindow->IsLoaded()) {
        std::fprintf(stderr, "no ICMP socket allowed: run as root or see the README\n");
        return 1;
    }
    gWindow->txtIP(0)->SetText("127.0.0.1");
    gWindow->txtIP(1)->SetText("127.0.0.1");
    gWindow->txtTimeOut()->SetText("250");
    gWindow->txtTimeToLive()->SetText("64");
    gWindow->txtLoop()->SetText("1");
    for (int16_t i = 0; i < 3; ++i) gWindow->txtlvl(i)->SetText("200");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::fflush(nullptr);
    _exit(0);  // the window is the program's: it is never taken down, as in the program
}
