// One probe round: the selected site is probed once, the outcome shown, one lamp lit, counted and
// time-stamped, the tray icon, its tip and the window icon set, and the site switched on a failure.
#include <algorithm>

#include "common/NumberText.h"
#include "common/TimeOfDay.h"
#include "monitor/Monitor.h"

namespace monitor {

double Monitor::Number(Field field) {
    return common::ReadNumber(view_.FieldText(field));
}

double Monitor::Number(Label label) {
    return common::ReadNumber(view_.Caption(label));
}

common::ColourValue Monitor::GradeShade(double roundTrip, uint8_t& grade) {
    for (const GradeRow& g : kGrades) {
        const double level = Number(g.level);
        grade = g.grade;
        if (g.above ? roundTrip > level : roundTrip <= level) return g.shade;
    }
    grade = kBetweenCAndDGrade;
    return kBetweenCAndD;
}

void Monitor::SetLightValues() {
    lngGreen = static_cast<int32_t>(RowOf(Lamp::kGreen).lit);
    lngRed = static_cast<int32_t>(RowOf(Lamp::kRed).lit);
    lngYellow = static_cast<int32_t>(RowOf(Lamp::kYellow).lit);
}

void Monitor::ShowSiteAddress() {
    view_.SetCaption(AddressLabel(iSite), probe_.ResolveAddress(view_.FieldText(SiteField(iSite))));
}

uint8_t Monitor::ReadTimeToLive() {
    return common::RoundToUInt8(common::ReadNumberZeroPrefixed(view_.FieldText(Field::kTimeToLive)));
}

int32_t Monitor::ReadTimeOut() {
    const int32_t t = common::RoundToInt32(common::ReadNumberZeroPrefixed(view_.FieldText(Field::kTimeOut)));
    const Bounds& b = BoundsOf(Field::kTimeOut);
    return std::clamp(t, static_cast<int32_t>(b.low), static_cast<int32_t>(b.high));
}

void Monitor::RunProbeRound() {
    const std::string address = view_.Caption(AddressLabel(iSite));
    const uint8_t ttl = ReadTimeToLive();
    const int32_t timeOut = ReadTimeOut();

    // Put out the last lamp, on screen now: no lamp is lit while the request is out.
    for (const LampRow& row : kLamps) {
        if (lngLastLight != 0 && lngLastLight == static_cast<int32_t>(row.lit))
            view_.SetLampFill(row.lamp, row.unlit);
    }

    std::string replyAddress;
    std::string status;
    int32_t roundTrip = 0;
    common::Round round;
    round.atMs = clock_.NowMs();
    round.site = static_cast<uint8_t>(iSite);
    round.host = view_.FieldText(SiteField(iSite));
    round.address = address;
    const int32_t count = probe_.PingAddress(address, timeOut, ttl, replyAddress, status, roundTrip);
    round.status = static_cast<int32_t>(common::ReadNumber(status));
    const std::string statusLine = "Status at " + common::TimeOfDayText(clock_.Now());
    if (count != 0) {
        view_.SetCaption(Label::kError, status == "0" ? "OK" : status);
        view_.SetCaption(Label::kStatus, statusLine);
        view_.SetCaption(Label::kTripTime, std::to_string(roundTrip));
        int32_t light = lngGreen;
        lngLastLight = SetLight(light);
        round.rttMs = roundTrip;
        Record(round);
        return;
    }
    view_.SetCaption(Label::kStatus, statusLine);
    view_.SetCaption(AddressLabel(iSite), replyAddress);
    view_.SetCaption(Label::kError, status);
    int32_t light = (lngLastLight != lngGreen && lngLastLight != 0) ? lngRed : lngYellow;
    lngLastLight = SetLight(light);
    Record(round);
    SwitchSite(iSite);
}

// The history stores a lamp as its place in the lamp table.
static_assert(static_cast<uint8_t>(Lamp::kGreen) == common::kRoundGreen &&
              static_cast<uint8_t>(Lamp::kYellow) == common::kRoundYellow &&
              static_cast<uint8_t>(Lamp::kRed) == common::kRoundRed);

void Monitor::Record(common::Round& round) {
    if (!lit_) return;
    round.lamp = static_cast<uint8_t>(*lit_);
    if (*lit_ == Lamp::kGreen) round.shade = grade_;
    rounds_.Record(round);
}

int32_t Monitor::SetLight(int32_t& light) {
    Lamp lamp = Lamp::kGreen;
    common::ColourValue fill = 0;
    lit_.reset();
    if (light == 0) return light;
    if (light == lngGreen) {
        fill = GradeShade(Number(Label::kTripTime), grade_);
    } else if (light == lngYellow || light == lngRed) {
        lamp = light == lngYellow ? Lamp::kYellow : Lamp::kRed;
        fill = RowOf(lamp).lit;
    } else {
        return light;
    }
    lit_ = lamp;
    view_.SetLampFill(lamp, fill);
    view_.SetBackColor(Label::kTripTime, fill);
    view_.SetBackColor(Label::kError, fill);
    const LampRow& row = RowOf(lamp);
    view_.SetCaption(row.count, common::DecimalText(Number(row.count) + 1));
    view_.SetCaption(row.lastLit, common::TimeOfDayText(clock_.Now()));
    view_.ShowState(lamp, view_.Caption(row.lastLit) + row.tipSuffix);
    return light;
}

void Monitor::SwitchSite(int16_t& site) {
    iSite = site == 0 ? 1 : 0;
    view_.CheckSite(iSite);
    ShowSiteAddress();
}

}  // namespace monitor
