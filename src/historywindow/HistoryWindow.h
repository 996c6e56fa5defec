// The History window: over a chosen span (the last hour to a year), the graph of its round trips, its
// outages newest first, its figures, and the export of its rounds as CSV. It takes each new round as it
// is recorded, and says so when the rounds are not being recorded.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QTableWidget>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "history/Recorder.h"
#include "history/Span.h"
#include "historywindow/RoundGraph.h"
#include "platform/HistoryFile.h"
#include "platform/forms/Services.h"

namespace historywindow {

// A span the window can show: its name (the graph's description starts with it) and length.
struct SpanChoice {
    const char* name;
    int64_t lengthMs;
};
constexpr int64_t kHourMs = 3600 * 1000;
constexpr std::array<SpanChoice, 5> kSpans{{{"Last hour", kHourMs},
                                            {"Last 24 hours", 24 * kHourMs},
                                            {"Last 7 days", 7 * 24 * kHourMs},
                                            {"Last 30 days", 30 * 24 * kHourMs},
                                            {"Last year", 365 * 24 * kHourMs}}};

// What the window reads of the main window each time it fills: the loop's waits, levels A to C, now.
struct HistoryContext {
    std::function<history::Waits()> waits;
    std::function<std::array<double, 3>()> levels;
    std::function<int64_t()> nowMs;
};

// A dialog that is not modal: a window to accessibility, closed by Escape.
class HistoryWindow : public QDialog {
    Q_OBJECT
  public:
    HistoryWindow(history::Recorder& recorder, platform::HistoryFile& file, forms::Dialogs& dialogs,
                  HistoryContext context);
    ~HistoryWindow() override;
    // Reads the chosen span anew and shows it.
    void Fill();

  private:
    void BuildControls();
    const SpanChoice& CurrentSpan() const;
    // Takes the year once its read is done.
    void TakeYear();
    // The rounds of the chosen span.
    std::span<const history::Point> Shown() const;
    void Show();
    void ShowOutages(const history::Summary& s);
    void ShowState();
    void Take(const common::Round& round);
    void ExportCsv();

    history::Recorder& recorder_;
    platform::HistoryFile& file_;
    forms::Dialogs& dialogs_;
    HistoryContext context_;
    // Every round held, oldest first, from heldFromMs_ on; the shown span starts at fromMs_.
    std::vector<history::Point> rounds_;
    int64_t heldFromMs_ = 0;
    int64_t fromMs_ = 0;
    // The year's read: its rounds and its start, or why it failed; the window's once it has joined.
    std::thread reader_;
    std::vector<history::Point> year_;
    std::optional<int64_t> yearFromMs_;
    std::string yearWhy_;
    bool reading_ = false;  // the chosen span waits for the year's read
    QString notice_;
    QComboBox* span_ = nullptr;
    QLabel* state_ = nullptr;
    RoundGraph* graph_ = nullptr;
    QLabel* cursor_ = nullptr;
    QTableWidget* outages_ = nullptr;
    QLabel* figures_ = nullptr;
};

}  // namespace historywindow
