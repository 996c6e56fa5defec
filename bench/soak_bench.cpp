// The monitor over weeks of rounds, in a minute: the program's window and tray icon on the real
// platform and the real echo against 127.0.0.1, on a clock whose waits pass at once. The loop itself
// runs the rounds (the start command, its waits, a Stop after the last round); two rounds in every ten
// get no answer, so the lamps, the tray icon and its tip go green, yellow, red and green again.
// Resident memory and the live QObjects are read after 1,000 rounds and again after 10,000
// (TN_SOAK_ROUNDS); what grew in between is reported, and the QObjects that grew are listed by class.
// Run it on an X server with a tray, as root (or with ping_group_range) for the echo, e.g.:
//   bash tools/with-xvfb.sh sh -c 'trayer --SetDockType true & sleep 1; exec /tmp/sb/bench/soak_bench'
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QApplication>
#include <QMetaObject>
#include <QObject>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <unordered_set>

#include "RealDesktop.h"
#include "mainwindow/modPingAuto.h"
#include "platform/EchoService.h"
#include "platform/forms/Services.h"
#include "platform/linux/LinuxEchoService.h"

// Qt's table of hooks for tools that follow its objects (QtCore exports it; its header is private).
extern "C++" Q_CORE_EXPORT quintptr qtHookData[];

namespace {

// The table's entries used here.
constexpr int kHookDataSize = 1;
constexpr int kHookAddQObject = 3;
constexpr int kHookRemoveQObject = 4;

// Every QObject alive, whatever thread made it. The hooks are plain functions, so the record is global.
std::mutex gObjectsLock;
std::unordered_set<QObject*> gObjects;

void ObjectAdded(QObject* object) {
    const std::lock_guard lock(gObjectsLock);
    gObjects.insert(object);
}

void ObjectRemoved(QObject* object) {
    const std::lock_guard lock(gObjectsLock);
    gObjects.erase(object);
}

bool FollowObjects() {
    if (qtHookData[kHookDataSize] <= kHookRemoveQObject) return false;
    qtHookData[kHookAddQObject] = reinterpret_cast<quintptr>(&ObjectAdded);
    qtHookData[kHookRemoveQObject] = reinterpret_cast<quintptr>(&ObjectRemoved);
    return true;
}

size_t LiveObjects() {
    const std::lock_guard lock(gObjectsLock);
    return gObjects.size();
}

// The live objects by class. An object its hook saw being made may be read before its own class's
// constructor has run: it then counts as a QObject.
std::map<std::string, long> ObjectsByClass() {
    const std::lock_guard lock(gObjectsLock);
    std::map<std::string, long> classes;
    for (QObject* object : gObjects) ++classes[object->metaObject()->className()];
    return classes;
}

// VmRSS of /proc/self/status, in kB.
double ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6));
    }
    return 0;
}

double GrowthPercent(double before, double after) {
    return before > 0 ? 100.0 * (after - before) / before : 0;
}

int Rounds() {
    const int n = qEnvironmentVariableIntValue("TN_SOAK_ROUNDS");
    return n >= 10 ? n : 10'000;
}

// Ticks that pass at the program's will: a wait ends at once at its deadline, with the program's
// events handled, as the real clock's wait would once its time ran out.
class QuickClock final : public platform::TickClock {
  public:
    // Runs at the start of each wait.
    std::function<void()> beforeWait;

    int32_t GetTickCount() override { return static_cast<int32_t>(static_cast<uint32_t>(now_)); }
    void Sleep(int32_t milliseconds) override { now_ += std::max(milliseconds, 0); }
    void WaitForEvents(int32_t milliseconds) override {
        if (beforeWait) beforeWait();
        now_ += std::max(milliseconds, 0);
        QCoreApplication::processEvents();
    }
    uint32_t Resumes() override { return 0; }
    std::time_t Now() override { return static_cast<std::time_t>(now_ / 1000); }
    int64_t NowMs() override { return now_; }

  private:
    int64_t now_ = 0;
};

// The real echo, but rounds 4 and 5 of every ten get no answer (nothing is sent for them).
class PatchyEcho final : public platform::EchoService {
  public:
    explicit PatchyEcho(platform::EchoService& real) : real_(real) {}
    int rounds = 0;

    int32_t Open() override { return real_.Open(); }
    std::string OpenError() const override { return real_.OpenError(); }
    void Close(int32_t handle) override { real_.Close(handle); }
    platform::EchoReply SendEcho(int32_t handle, const std::array<uint8_t, 4>& destination,
                                 const std::vector<uint8_t>& data, const platform::EchoOptions& options,
                                 int32_t timeoutMs) override {
        ++rounds;
        if (rounds % 10 == 4 || rounds % 10 == 5) return {.error = platform::ip_status::kReqTimedOut};
        return real_.SendEcho(handle, destination, data, options, timeoutMs);
    }
    bool HasRoute(const std::array<uint8_t, 4>& destination) override { return real_.HasRoute(destination); }

  private:
    platform::EchoService& real_;
};

struct Soak {
    QuickClock* clock = nullptr;
    PatchyEcho* echo = nullptr;
    modPingAuto::Program* program = nullptr;
};
Soak gSoak;

struct Reading {
    double residentKb = 0;
    double objects = 0;
    std::map<std::string, long> classes;
};

Reading Read() {
    return {ResidentKb(), static_cast<double>(LiveObjects()), ObjectsByClass()};
}

void ListGrowth(const Reading& first, const Reading& last) {
    for (const auto& [name, count] : last.classes) {
        const auto it = first.classes.find(name);
        const long before = it == first.classes.end() ? 0 : it->second;
        if (count != before) std::fprintf(stderr, "  %s: %ld -> %ld\n", name.c_str(), before, count);
    }
}

void BM_Soak(benchmark::State& state) {
    frmPing& w = gSoak.program->Window();
    frmSysTray& tray = gSoak.program->Tray();
    const int last = Rounds();
    const int first = std::min(1'000, last / 10);
    for (auto _ : state) {
        Reading atFirst;
        Reading atLast;
        int iconChanges = 0;
        int32_t icon = tray.nid.hIcon;
        bool stopAsked = false;
        gSoak.echo->rounds = 0;
        // At the start of a wait, the round before it is over: read there, and ask the Stop there.
        gSoak.clock->beforeWait = [&] {
            const int done = gSoak.echo->rounds;
            if (tray.nid.hIcon != icon) ++iconChanges;
            icon = tray.nid.hIcon;
            if (done == first && atFirst.objects == 0) atFirst = Read();
            if (done < last || stopAsked) return;
            atLast = Read();
            stopAsked = true;
            QMetaObject::invokeMethod(
                qApp, [&w] { w.cmdStop_Click(); }, Qt::QueuedConnection);
        };
        const auto start = std::chrono::steady_clock::now();
        w.cmdStart_Click();
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        gSoak.clock->beforeWait = nullptr;
        state.SetIterationTime(wall);
        state.counters["rounds"] = gSoak.echo->rounds;
        state.counters["rounds_per_s"] = gSoak.echo->rounds / wall;
        state.counters["tray_icon_changes"] = iconChanges;
        state.counters["tray_icon_shown"] = gSoak.program->Tray().TrayAvailable() ? 1 : 0;
        state.counters["rss_kb_first"] = atFirst.residentKb;
        state.counters["rss_kb_last"] = atLast.residentKb;
        state.counters["rss_growth_pct"] = GrowthPercent(atFirst.residentKb, atLast.residentKb);
        state.counters["qobjects_first"] = atFirst.objects;
        state.counters["qobjects_last"] = atLast.objects;
        state.counters["qobjects_growth_pct"] = GrowthPercent(atFirst.objects, atLast.objects);
        std::fprintf(stderr, "QObjects by class, round %d -> %d, where they differ:\n", first, last);
        ListGrowth(atFirst, atLast);
    }
}

BENCHMARK(BM_Soak)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    if (!FollowObjects()) std::fprintf(stderr, "Qt's object hooks are missing: no QObject counts\n");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    platform::LinuxEchoService realEcho;
    PatchyEcho echo(realEcho);
    QuickClock clock;
    RealDesktop desktop;
    modPingAuto::Program program(desktop.With(echo, clock), desktop.Windows());
    gSoak = {&clock, &echo, &program};
    frmPing& w = program.Window();
    w.ShowForm();
    if (!w.IsLoaded()) {
        std::fprintf(stderr, "no ICMP socket allowed: run as root or see the README\n");
        return 1;
    }
    if (!desktop.area.Available())
        std::fprintf(stderr, "no tray on this display: the tray icon is not exercised\n");
    w.txtIP(0)->SetText("127.0.0.1");
    w.txtIP(1)->SetText("127.0.0.1");
    w.txtTimeOut()->SetText("250");
    w.txtTimeToLive()->SetText("64");
    w.txtLoop()->SetText("1");
    for (int16_t i = 0; i < 3; ++i) w.txtlvl(i)->SetText("200");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::fflush(nullptr);
    _exit(0);  // the window is the program's: it is never taken down, as in the program
}
