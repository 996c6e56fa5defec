// The main window's fields and labels by name, and the window as monitoring and the tray icon see it.
#include "mainwindow/frmPingView.h"

#include "mainwindow/frmPing.h"
#include "platform/forms/Services.h"

using monitor::Field;
using monitor::Label;
using monitor::Lamp;

forms::Shape* frmPing::LampShape(Lamp lamp) {
    Load();
    for (const auto& [l, shape] : lamps_) {
        if (l == lamp) return shape;
    }
    return nullptr;  // not reached: the light has every lamp
}

forms::TextBox* frmPing::Box(Field field) {
    switch (field) {
        case Field::kSite0:
            return txtIP(0);
        case Field::kSite1:
            return txtIP(1);
        case Field::kTimeToLive:
            return txtTimeToLive();
        case Field::kTimeOut:
            return txtTimeOut();
        case Field::kLoop:
            return txtLoop();
        case Field::kLevel0:
            return txtlvl(0);
        case Field::kLevel1:
            return txtlvl(1);
        case Field::kLevel2:
            return txtlvl(2);
        case Field::kLevel3:
            return txtlvl(3);
    }
    return nullptr;  // not reached: the switch names every field
}

forms::Label*& frmPing::LabelSlot(Label label) {
    switch (label) {
        case Label::kAddress0:
            return lblAddress_[0];
        case Label::kAddress1:
            return lblAddress_[1];
        case Label::kStatus:
            return lblStatus_;
        case Label::kError:
            return lblError_;
        case Label::kTripTime:
            return lblTripTime_;
        case Label::kCount:
            return lblCnt_;
        case Label::kGreenCount:
            return lblGd_;
        case Label::kYellowCount:
            return lblYel_;
        case Label::kRedCount:
            return lblBd_;
        case Label::kGreenTime:
            return lbllastGd_;
        case Label::kYellowTime:
            return lbllastYel_;
        case Label::kRedTime:
            return lbllastBd_;
    }
    return lblCnt_;  // not reached: the switch names every label
}

void frmPing::EnableStart(bool enabled) {
    cmdStart()->setEnabled(enabled);
    cmdStop()->setEnabled(!enabled);
}

std::string frmPingView::FieldText(Field field) {
    return window_.Box(field)->Text();
}

void frmPingView::SetFieldText(Field field, const std::string& text) {
    window_.Box(field)->SetText(text);
}

std::string frmPingView::Caption(Label label) {
    return window_.LabelOf(label)->Caption().toStdString();
}

void frmPingView::SetCaption(Label label, const std::string& caption) {
    window_.LabelOf(label)->SetCaption(QString::fromStdString(caption));
}

void frmPingView::SetBackColor(Label label, common::ColourValue colour) {
    forms::SetBackColor(window_.LabelOf(label), colour);
    // Black text, except on the darkest green of the grade, where white reads better.
    forms::SetForeColor(window_.LabelOf(label), common::ReadableTextOn(colour));
}

void frmPingView::SetLampFill(Lamp lamp, common::ColourValue colour) {
    forms::Shape* shape = window_.LampShape(lamp);
    shape->SetFillColor(colour);
    shape->setAccessibleDescription(window_.LampDescription(lamp, colour));
}

void frmPingView::EnableStart(bool enabled) {
    window_.EnableStart(enabled);
}

void frmPingView::CheckSite(int16_t site) {
    window_.optIP(site)->SetValue(true);
}

void frmPingView::ShowState(Lamp lamp, const std::string& tip) {
    frmSysTray& tray = window_.tray_;
    forms::PictureBox* picture = &tray.Picture(monitor::RowOf(lamp).picture);
    const int32_t icon = picture->Picture();
    tray.ModifyTrayIcon(icon, tip);
    window_.SetIcon(icon);
    // The state of the round, for a screen reader to speak (Qt tells it of the change).
    window_.setAccessibleDescription(QString::fromStdString(tip));
}

bool frmPingView::ValidateFields() {
    return window_.ValidateFields();
}

void frmPingView::DoEvents() {
    forms::DoEvents();
}

void frmPing::RestoreFromTray() {
    minimisedForTray_ = false;  // the user brought the window back: it stays when a tray comes
    hidePending_ = false;
    bRestorefromSystray = true;
    if (WindowState() == forms::kMinimized) SetWindowState(forms::kNormal);
    Form::SetVisible(true);
    ShowForm();
}
