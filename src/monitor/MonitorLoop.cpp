#include <algorithm>
#include <cstdint>
#include <string>

#include "common/NumberText.h"
#include "monitor/Monitor.h"

namespace monitor {

Monitor::Monitor(MonitorView& view, modPing::Engine& probe, platform::TickClock& clock,
                 common::RoundSink& rounds)
    : view_(view), probe_(probe), clock_(clock), rounds_(rounds) {}

void Monitor::Prepare() {
    SetLightValues();
    iSite = 0;
}

void Monitor::cmdStart_Click() {
    if (!view_.ValidateFields() || !bFieldsChanged) return;
    bLoopRunning = true;
    ShowSiteAddress();
    RunProbeRound();
    if (loopsRunning_ > 0) {
        // A start during a wait of the running loop (Test button, Test link, tray menu): rather than
        // a second loop on top of it, the running loop begins afresh, as a new loop would: counter
        // from 1, buttons set, and its waits counted from this round.
        view_.SetCaption(Label::kCount, "1");
        bShutdown = false;
        view_.EnableStart(false);
        bRestartWait = true;
        return;
    }
    RunMonitorLoop();
}

void Monitor::cmdStop_Click() {
    view_.SetCaption(Label::kCount, "");
    bShutdown = true;
    view_.EnableStart(true);
    bLoopRunning = false;
}

void Monitor::EndMonitoring() {
    bShutdown = true;
    bLoopRunning = false;
}

void Monitor::SelectSite(int16_t site) {
    if (site == iSite) return;
    iSite = site;
    ShowSiteAddress();
}

void Monitor::ProbeSite(int16_t site) {
    const int16_t selected = iSite;
    iSite = site;
    ShowSiteAddress();
    RunProbeRound();
    iSite = selected;
}

int16_t Monitor::GetLoopMinutes() {
    const int16_t n = common::RoundToInt16(Number(Field::kLoop));
    // Held to the bounds of the start's check: typed during a run, 0 would leave no wait (and no
    // way to stop), and 32767 no end to the units.
    const Bounds& b = BoundsOf(Field::kLoop);
    return static_cast<int16_t>(std::clamp<double>(n, b.low, b.high));
}

bool Monitor::GoOnAfterPause(bool& restarted) {
    if (!bLoopRunning) return false;
    if (bRestartWait) {
        bRestartWait = false;
        restarted = true;
    }
    return true;
}

bool Monitor::WaitInterval(bool& restarted) {
    int16_t n = GetLoopMinutes();
    for (;;) {
        view_.SetFieldText(Field::kLoop, std::to_string(n));
        for (int16_t unit = 1; unit <= n; ++unit) {
            int32_t seconds = lngLastLight == lngGreen ? kUnitWhileGreen : kUnitOtherwise;
            PauseSeconds(seconds);
            if (!GoOnAfterPause(restarted)) return false;
            if (restarted) return true;
        }
        const int16_t m = GetLoopMinutes();
        if (m <= n) break;
        n = m;  // a longer interval typed during the wait: a whole new wait, no round between
    }
    AwaitNetworkAfterResume();
    return GoOnAfterPause(restarted);
}

// Uptime and the link come back together at a resume, but the link some seconds later: probing at once
// would show a failure that is the suspend's, not the connection's.
void Monitor::AwaitNetworkAfterResume() {
    const uint32_t resumes = clock_.Resumes();
    if (resumes == resumesSeen_) return;
    resumesSeen_ = resumes;
    const int32_t start = clock_.GetTickCount();
    for (;;) {
        if (probe_.HasRoute(view_.Caption(AddressLabel(iSite)))) return;
        // Unsigned: the time passed, across the counter's sign change and wrap alike.
        const uint32_t waited = static_cast<uint32_t>(clock_.GetTickCount()) - static_cast<uint32_t>(start);
        if (waited >= static_cast<uint32_t>(kResumeNetworkWaitMs) || bShutdown || bRestartWait) return;
        clock_.WaitForEvents(std::min(kRouteRecheckMs, kResumeNetworkWaitMs - static_cast<int32_t>(waited)));
        view_.DoEvents();
    }
}

void Monitor::RunMonitorLoop() {
    struct Running {
        int& count;
        explicit Running(int& c) : count(c) { ++count; }
        ~Running() { --count; }
    } running(loopsRunning_);

    view_.SetCaption(Label::kCount, "1");
    bShutdown = false;
    bRestartWait = false;
    resumesSeen_ = clock_.Resumes();
    view_.EnableStart(false);

    while (bLoopRunning) {
        bool restarted = false;
        if (!WaitInterval(restarted)) return;
        if (restarted) continue;  // the new start has run its round: wait afresh
        RunProbeRound();
        view_.SetCaption(Label::kCount, common::DecimalText(Number(Label::kCount) + 1));
    }
}

void Monitor::PauseSeconds(int32_t& s) {
    // In 64 bits: a deadline beyond the largest signed 32-bit reading is never reached, and the wait
    // then ends by the backward rule when the counter passes it.
    const int64_t wait = static_cast<int64_t>(s) * kNominalSecondMs;
    const int64_t start = clock_.GetTickCount();
    const int64_t deadline = start + wait;
    constexpr int64_t kSignChange = int64_t{1} << 31;  // where the signed reading turns negative
    for (;;) {
        const int64_t now = clock_.GetTickCount();
        if (now >= deadline) break;
        if (clock_.GetTickCount() < start) {
            clock_.Sleep(kBackwardSleepMs);
            break;
        }
        if (bShutdown || bRestartWait) break;
        // Until the deadline or the sign change, whichever comes first, unless an event comes sooner.
        clock_.WaitForEvents(static_cast<int32_t>(std::min({deadline, kSignChange, now + INT32_MAX}) - now));
        view_.DoEvents();
    }
}

}  // namespace monitor
