// The main window as monitoring and the tray icon see it: its fields, labels, lamps and buttons by name.
#include "mainwindow/frmPing.h"
#include "platform/forms/Services.h"

using monitor::Field;
using monitor::Label;
using monitor::Lamp;

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

forms::Label* frmPing::LabelOf(Label label) {
    switch (label) {
        case Label::kAddress0:
            return lblAddress(0);
        case Label::kAddress1:
            return lblAddress(1);
        case Label::kStatus:
            return lblStatus();
        case Label::kError:
            return lblError();
        case Label::kTripTime:
            return lblTripTime();
        case Label::kCount:
            return lblCnt();
        case Label::kGreenCount:
            return lblGd();
        case Label::kYellowCount:
            return lblYel();
        case Label::kRedCount:
            return lblBd();
        case Label::kGreenTime:
            return lbllastGd();
        case Label::kYellowTime:
            return lbllastYel();
        case Label::kRedTime:
            return lbllastBd();
    }
    return nullptr;  // not reached: the switch names every label
}

std::string frmPing::FieldText(Field field) {
    return Box(field)->Text();
}

void frmPing::SetFieldText(Field field, const std::string& text) {
    Box(field)->SetText(text);
}

std::string frmPing::Caption(Label label) {
    return LabelOf(label)->Caption().toStdString();
}

void frmPing::SetCaption(Label label, const std::string& caption) {
    LabelOf(label)->SetCaption(QString::fromStdString(caption));
}

void frmPing::SetBackColor(Label label, common::ColourValue colour) {
    forms::SetBackColor(LabelOf(label), colour);
    // Black text, except on the darkest green of the grade, where white reads better.
    forms::SetForeColor(LabelOf(label), common::ReadableTextOn(colour));
}

void frmPing::SetLampFill(Lamp lamp, common::ColourValue colour) {
    forms::Shape* shape = nullptr;
    switch (lamp) {
        case Lamp::kGreen:
            shape = shpGd();
            break;
        case Lamp::kYellow:
            shape = shpYel();
            break;
        case Lamp::kRed:
            shape = shpBd();
            break;
    }
    shape->SetFillColor(colour);
    shape->setAccessibleDescription(LampDescription(lamp, colour));
}

void frmPing::EnableStart(bool enabled) {
    cmdStart()->setEnabled(enabled);
    cmdStop()->setEnabled(!enabled);
}

void frmPing::ShowState(Lamp lamp, const std::string& tip) {
    forms::PictureBox* const pictures[] = {&tray_.Picture1(), &tray_.Picture2(), &tray_.Picture3()};
    const int32_t icon = pictures[monitor::Index(lamp)]->Picture();
    tray_.ModifyTrayIcon(icon, tip);
    SetIcon(icon);
    // The state of the round, for a screen reader to speak (Qt tells it of the change).
    setAccessibleDescription(QString::fromStdString(tip));
}

void frmPing::DoEvents() {
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

void frmPing::ExitFromTray() {
    bExitfromSystray = true;
    Unload(forms::kFormCode);
}
