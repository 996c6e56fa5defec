// The History window over a year of rounds at the green wait (about 565,000, generated): the time to its
// first frame, to each span change (the first while the year may still be read, the later ones from
// what the window holds), and the memory it holds open and leaves behind once closed. Figures only;
// nothing is asserted. Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "YearOfRounds.h"
#include "historywindow/HistoryWindow.h"
#include "platform/qt/DesktopServices.h"
#include "platform/qt/QtOneShotTimer.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// The resident memory of the process in MB.
double ResidentMb() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
}

// Counts the paints of a widget, so that a frame's end can be waited for.
class Paints : public QObject {
  public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++count;
        return false;
    }
};

// Runs the event loop until the graph shows the span named, then draws the window.
void AwaitSpan(QWidget* window, const QString& name) {
    QWidget* graph = window->findChild<QWidget*>("graph");
    while (!graph->accessibleDescription().startsWith(name))
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    window->repaint();
}

// Runs the event loop until the graph has painted once more.
void AwaitPaint(Paints& paints) {
    const int before = paints.count;
    while (paints.count == before) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

void BM_HistoryWindowOverAYear(benchmark::State& state) {
    const std::string folder = "/tmp/tn-historywindow-bench-" + std::to_string(::getpid());
    std::filesystem::remove_all(folder);
    platform::SqliteHistory file(folder);
    if (!file.Open().writable) return state.SkipWithError("no history file");
    const int64_t nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
    bench::WriteYear(file, nowMs);
    platform::QtOneShotTimer timer;
    history::Recorder recorder(file, timer, [](const std::string&) {});
    recorder.Open();
    platform::QtDialogs dialogs;
    historywindow::HistoryContext context{[] {
                                              return history::Waits{bench::kGreenWaitMs, bench::kOtherWaitMs};
                                          },
                                          [] {
                                              return std::array<double, 3>{50, 100, 200};
                                          },
                                          [nowMs] { return nowMs; }};
    for (auto _ : state) {
        QApplication::processEvents();
        const double before = ResidentMb();
        Paints paints;
        const auto opening = Clock::now();
        auto* window = new historywindow::HistoryWindow(recorder, file, dialogs, context);
        window->findChild<QWidget*>("graph")->installEventFilter(&paints);
        window->show();
        AwaitPaint(paints);
        state.counters["first_frame_ms"] = Ms(opening);
        auto* span = window->findChild<QComboBox*>();
        const char* names[] = {"year_at_once_ms", "day_ms", "year_ms", "hour_ms", "year_again_ms"};
        const int spans[] = {4, 1, 4, 0, 4};
        for (int i = 0; i < 5; ++i) {
            const auto changing = Clock::now();
            span->setCurrentIndex(spans[i]);
            AwaitSpan(window, span->currentText());
            state.counters[names[i]] = Ms(changing);
        }
        state.counters["open_more_mb"] = ResidentMb() - before;
        window->reject();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
        state.counters["closed_more_mb"] = ResidentMb() - before;
    }
    std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_HistoryWindowOverAYear)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
