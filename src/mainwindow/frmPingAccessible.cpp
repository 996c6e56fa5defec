// The main window as a screen reader reads it: its fields named after their captions, its value labels
// after what they show, its lamps by colour and state, and the state of the last round.
#include <algorithm>

#include "mainwindow/frmPing.h"

void frmPing::NameControls() {
    frameLight_->setAccessibleName(QStringLiteral("Traffic light"));
    Picture1_->setAccessibleName(QStringLiteral("Links"));
    // A field whose caption stands beside it alone is named by it.
    Label5_->setBuddy(txtLoop_);
    Label2_->setBuddy(txtTimeToLive_);
    Label3_->setBuddy(txtTimeOut_);
    for (size_t i = 0; i < txtlvl_.size(); ++i) lbllvl_[i]->setBuddy(txtlvl_[i]);
    // The sites share their captions ("Name", "IP Address") by row ("Main", "Alt").
    const char* const site[2] = {"Main site", "Alternate site"};
    for (size_t i = 0; i < 2; ++i) {
        txtIP_[i]->setAccessibleName(site[i]);
        lblAddress_[i]->setAccessibleName(QStringLiteral("%1 IP address").arg(site[i]));
    }
    const std::pair<forms::Label*, const char*> values[] = {{lblError_, "Status"},
                                                            {lblTripTime_, "Trip time (ms)"},
                                                            {lblCnt_, "Counter"},
                                                            {lblGd_, "Green lamp count"},
                                                            {lblYel_, "Yellow lamp count"},
                                                            {lblBd_, "Red lamp count"},
                                                            {lbllastGd_, "Green lamp last lit"},
                                                            {lbllastYel_, "Yellow lamp last lit"},
                                                            {lbllastBd_, "Red lamp last lit"}};
    for (const auto& [label, name] : values) label->setAccessibleName(name);
    const std::pair<forms::Shape*, const char*> lamps[] = {
        {shpGd_, "Green lamp"}, {shpYel_, "Yellow lamp"}, {shpBd_, "Red lamp"}};
    for (const auto& [lamp, name] : lamps) {
        lamp->setAccessibleName(name);
        lamp->setAccessibleDescription(QStringLiteral("Not lit"));
    }
}

QString frmPing::LampDescription(monitor::Lamp lamp, common::ColourValue fill) {
    if (fill == monitor::kUnlit[monitor::Index(lamp)]) return QStringLiteral("Not lit");
    if (lamp != monitor::Lamp::kGreen) return QStringLiteral("Lit");
    const auto& grade = monitor::kGrade;
    const auto row = static_cast<int16_t>(std::find(grade.begin(), grade.end(), fill) - grade.begin());
    if (row < 4) return QStringLiteral("Lit, %1 shade").arg(lbllvl(row)->Caption());
    if (row == 4) {
        return QStringLiteral("Lit, shade between %1 and %2").arg(lbllvl(2)->Caption(), lbllvl(3)->Caption());
    }
    return QStringLiteral("Lit");
}
