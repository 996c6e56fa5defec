// The window as monitoring sees it: the fields it reads, the labels, lamps and buttons it sets, the
// state icon it shows, and the dispatch of the window's pending events.
#pragma once

#include <cstdint>
#include <string>

#include "common/Colours.h"
#include "monitor/Fields.h"
#include "monitor/Palette.h"

namespace monitor {

enum class Label {
    kAddress0,
    kAddress1,
    kStatus,
    kError,
    kTripTime,
    kCount,
    kGreenCount,
    kYellowCount,
    kRedCount,
    kGreenTime,
    kYellowTime,
    kRedTime,
};

constexpr Label AddressLabel(int16_t site) {
    return site == 0 ? Label::kAddress0 : Label::kAddress1;
}
// A lamp's count and the time it was last lit.
struct LampLabels {
    Label count;
    Label time;
};
constexpr LampLabels LabelsOf(Lamp lamp) {
    switch (lamp) {
        case Lamp::kGreen:
            return {Label::kGreenCount, Label::kGreenTime};
        case Lamp::kYellow:
            return {Label::kYellowCount, Label::kYellowTime};
        case Lamp::kRed:
            return {Label::kRedCount, Label::kRedTime};
    }
    return {Label::kRedCount, Label::kRedTime};  // not reached: the switch names every lamp
}
constexpr Label CountLabel(Lamp lamp) {
    return LabelsOf(lamp).count;
}
constexpr Label TimeLabel(Lamp lamp) {
    return LabelsOf(lamp).time;
}

class MonitorView {
  public:
    virtual ~MonitorView() = default;
    virtual std::string FieldText(Field field) = 0;
    virtual void SetFieldText(Field field, const std::string& text) = 0;
    virtual std::string Caption(Label label) = 0;
    virtual void SetCaption(Label label, const std::string& caption) = 0;
    virtual void SetBackColor(Label label, common::ColourValue colour) = 0;
    // Fills the lamp and paints it at once.
    virtual void SetLampFill(Lamp lamp, common::ColourValue colour) = 0;
    // Start enabled and Stop disabled, or the other way round.
    virtual void EnableStart(bool enabled) = 0;
    // Checks the site's option button.
    virtual void CheckSite(int16_t site) = 0;
    // The lamp's state picture on the tray icon, with the tip, and as the window's icon.
    virtual void ShowState(Lamp lamp, const std::string& tip) = 0;
    // The check of the entry fields; shows the first failure.
    virtual bool ValidateFields() = 0;
    // Handles every pending window event, then returns.
    virtual void DoEvents() = 0;
};

}  // namespace monitor
