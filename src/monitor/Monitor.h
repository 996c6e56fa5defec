// Continuous monitoring of the selected site: the start runs a first round at once, then the loop waits
// the configured number of units (60 nominal seconds while the light is green, 15 otherwise), runs a
// round, counts it, and again, until Stop or the window's end.
#pragma once

#include <cstdint>
#include <optional>

#include "common/Round.h"
#include "monitor/MonitorView.h"
#include "platform/Clock.h"
#include "probe/modPing.h"

namespace monitor {

// Nominal second and the pause after the counter went backwards, in milliseconds; wait units in
// nominal seconds.
constexpr int32_t kNominalSecondMs = 930;
constexpr int32_t kBackwardSleepMs = 1000;
constexpr int32_t kUnitWhileGreen = 60;
constexpr int32_t kUnitOtherwise = 15;
// After a resume from suspend, the round that is due waits at most this long for a route to its site,
// looking again at this pace.
constexpr int32_t kResumeNetworkWaitMs = 10'000;
constexpr int32_t kRouteRecheckMs = 250;

class Monitor {
  public:
    // Each round that lights a lamp goes to `rounds` before the wait.
    Monitor(MonitorView& view, modPing::Engine& probe, platform::TickClock& clock, common::RoundSink& rounds);

    bool bLoopRunning = false;
    // Asks a running wait to end at once.
    bool bShutdown = false;
    // Asks a running wait to end at once because a new start has just run its first round: the loop
    // then begins its waits afresh.
    bool bRestartWait = false;
    bool bFieldsChanged = false;
    int16_t iSite = 0;
    // Light values: the colours of the lit lamps (set at the window's load), and the light of the last
    // round (0 before any).
    int32_t lngGreen = 0;
    int32_t lngYellow = 0;
    int32_t lngRed = 0;
    int32_t lngLastLight = 0;
    void SetLightValues();

    // At the window's load: the lit colours read and the main site selected.
    void Prepare();
    void cmdStart_Click();
    void cmdStop_Click();
    void cmdTest_Click() { cmdStart_Click(); }
    // Ends a running loop and its wait for good: the window is closing.
    void EndMonitoring();
    // The user chose the site to monitor: its address is shown.
    void SelectSite(int16_t site);
    // One round on the given site, outside the loop; the selection stays as it was.
    void ProbeSite(int16_t site);
    // An entry field was edited: the next start runs.
    void FieldsChanged() { bFieldsChanged = true; }
    void RunMonitorLoop();
    int16_t GetLoopMinutes();
    // Waits s nominal seconds on the tick counter, handling window events as they arrive, until the
    // time is up, the counter goes backwards (then after a further second), or a shutdown or restart
    // is asked.
    void PauseSeconds(int32_t& s);

    void ShowSiteAddress();
    void RunProbeRound();
    int32_t SetLight(int32_t& light);
    void SwitchSite(int16_t& site);

  private:
    // Reads a time-to-live or time-out field: the text with "0" put in front, rounded, held in bounds.
    uint8_t ReadTimeToLive();
    int32_t ReadTimeOut();
    double Number(Field field);
    double Number(Label label);
    // The shade of a green round: that of the first grade row whose level the round trip lies on the
    // row's side of, else the shade between levels C and D. Each level is read only when its row is
    // reached.
    common::ColourValue GradeShade(double roundTrip, uint8_t& grade);
    // Hands on the round with the lamp it lit.
    void Record(common::Round& round);
    // Waits the units of one interval; false when the loop is to end.
    bool WaitInterval(bool& restarted);
    // After a pause: false when the loop is to end; `restarted` set when a new start has run its round.
    bool GoOnAfterPause(bool& restarted);
    // Once the system has resumed from a suspend since the last look, waits for a route to the
    // selected site, handling events, at most kResumeNetworkWaitMs or until a shutdown or restart.
    void AwaitNetworkAfterResume();

    MonitorView& view_;
    modPing::Engine& probe_;
    platform::TickClock& clock_;
    common::RoundSink& rounds_;
    // The lamp the last round lit, if it lit one, and its grade when green.
    std::optional<Lamp> lit_;
    uint8_t grade_ = 0;
    // Monitor loops on the call stack (0 or 1: a start during a wait restarts the running loop).
    int loopsRunning_ = 0;
    // The clock's count of resumes when the last round was let go.
    uint32_t resumesSeen_ = 0;
};

}  // namespace monitor
