// Continuous monitoring: the start runs a first round at once, then the loop waits the configured
// number of units (60 nominal seconds while the light is green, 15 otherwise), runs a round, counts
// it, and again, until Stop or the window's end.
#include <algorithm>
#include <string>

#include "common/NumberText.h"
#include "mainwindow/frmPing.h"
#include "mainwindow/modPingAuto.h"

namespace {

constexpr int32_t kUnitWhileGreen = 60;
constexpr int32_t kUnitOtherwise = 15;

}  // namespace

void frmPing::cmdStart_Click() {
    if (!ValidateFields() || !bFieldsChanged) return;
    bLoopRunning = true;
    ShowSiteAddress();
    RunProbeRound();
    if (loopsRunning_ > 0) {
        // A start during a wait of the running loop (Test button, Test link, tray menu): rather than
        // a second loop on top of it, the running loop begins afresh, as a new loop would: counter
        // from 1, buttons set, and its waits counted from this round.
        lblCnt()->SetCaption("1");
        modPingAuto::bShutdown = false;
        cmdStart()->setEnabled(false);
        cmdStop()->setEnabled(true);
        modPingAuto::bRestartWait = true;
        return;
    }
    RunMonitorLoop();
}

void frmPing::cmdStop_Click() {
    lblCnt()->SetCaption("");
    modPingAuto::bShutdown = true;
    cmdStart()->setEnabled(true);
    cmdStop()->setEnabled(false);
    bLoopRunning = false;
}

void frmPing::cmdTest_Click() {
    cmdStart_Click();
}

int16_t frmPing::GetLoopMinutes() {
    const int16_t n = common::RoundToInt16(common::ReadNumber(txtLoop()->Text()));
    // Held to the bounds of the start's check: typed during a run, 0 would leave no wait (and no
    // way to stop), and 32767 no end to the units.
    return static_cast<int16_t>(std::clamp<int32_t>(n, kMinLoop, kMaxLoop));
}

void frmPing::RunMonitorLoop() {
    struct Running {
        int& count;
        explicit Running(int& c) : count(c) { ++count; }
        ~Running() { --count; }
    } running(loopsRunning_);

    lblCnt()->SetCaption("1");
    modPingAuto::bShutdown = false;
    modPingAuto::bRestartWait = false;
    cmdStart()->setEnabled(false);
    cmdStop()->setEnabled(true);

    while (bLoopRunning) {
        int16_t n = GetLoopMinutes();
        bool restarted = false;
        for (;;) {
            txtLoop()->SetText(std::to_string(n));
            for (int16_t unit = 1; unit <= n; ++unit) {
                int32_t seconds = lngLastLight == lngGreen ? kUnitWhileGreen : kUnitOtherwise;
                modPingAuto::PauseSeconds(seconds);
                if (!bLoopRunning) return;
                if (modPingAuto::bRestartWait) {
                    modPingAuto::bRestartWait = false;
                    restarted = true;
                    break;
                }
            }
            if (restarted) break;
            const int16_t m = GetLoopMinutes();
            if (m <= n) break;
            n = m;  // a longer interval typed during the wait: a whole new wait, no round between
        }
        if (restarted) continue;  // the new start has run its round: wait afresh
        RunProbeRound();
        lblCnt()->SetCaption(QString::fromStdString(
            common::DecimalText(common::ReadNumber(lblCnt()->Caption().toStdString()) + 1)));
    }
}
