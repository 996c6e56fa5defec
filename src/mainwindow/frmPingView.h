// The main window as monitoring sees it: its fields, labels, lamps and buttons by name, its state
// picture and its event dispatch. Owned by the window.
#pragma once

#include "monitor/MonitorView.h"

class frmPing;

class frmPingView final : public monitor::MonitorView {
  public:
    explicit frmPingView(frmPing& window) : window_(window) {}

    std::string FieldText(monitor::Field field) override;
    void SetFieldText(monitor::Field field, const std::string& text) override;
    std::string Caption(monitor::Label label) override;
    void SetCaption(monitor::Label label, const std::string& caption) override;
    void SetBackColor(monitor::Label label, common::ColourValue colour) override;
    void SetLampFill(monitor::Lamp lamp, common::ColourValue colour) override;
    void EnableStart(bool enabled) override;
    void CheckSite(int16_t site) override;
    void ShowState(monitor::Lamp lamp, const std::string& tip) override;
    bool ValidateFields() override;
    void DoEvents() override;

  private:
    frmPing& window_;
};
