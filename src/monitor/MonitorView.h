// The window as monitoring sees it: the fields it reads, the labels, lamps and buttons it sets, the
// state icon it shows, and the dispatch of the window's pending events.
#pragma once

#include <cstdint>
#include <string>

#include "common/Colours.h"
#include "monitor/Fields.h"
#include "monitor/Lamps.h"

namespace monitor {

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
