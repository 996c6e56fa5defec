// The History window as the main window opens it (over the round history, with the loop's waits and the
// grade levels as they stand when it fills), and the tray's Notify item.
#include "common/NumberText.h"
#include "historywindow/HistoryWindow.h"
#include "mainwindow/frmPing.h"
#include "notify/Notifier.h"

frmPing::~frmPing() {
    delete history_;
}

void frmPing::NotifyFromTray(bool on) {
    notifier_.SetEnabled(on);
}

void frmPing::ShowHistory() {
    if (history_ == nullptr) {
        historywindow::HistoryContext context{
            .waits =
                [this] {
                    const int64_t units = monitor_.GetLoopMinutes();
                    return history::Waits{units * monitor::kUnitWhileGreen * monitor::kNominalSecondMs,
                                          units * monitor::kUnitOtherwise * monitor::kNominalSecondMs};
                },
            .levels =
                [this] {
                    // Levels A to C: the grade rows at or below their level.
                    std::array<double, 3> levels{};
                    for (size_t i = 0; i < levels.size(); ++i)
                        levels[i] = common::ReadNumber(view_.FieldText(monitor::kGrades[i].level));
                    return levels;
                },
            .nowMs = [this] { return clock_.NowMs(); }};
        history_ = new historywindow::HistoryWindow(recorder_, historyFile_, dialogs_, std::move(context));
    }
    history_->show();
    history_->raise();
    history_->activateWindow();
}
