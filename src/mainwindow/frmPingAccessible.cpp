// The main window as a screen reader reads it: its fields named after their captions, its value labels
// after what they show, its lamps by colour and state, and the state of the last round.
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
    const std::pair<forms::Label*, const char*> values[] = {
        {lblError_, "Status"}, {lblTripTime_, "Trip time (ms)"}, {lblCnt_, "Counter"}};
    for (const auto& [label, name] : values) label->setAccessibleName(name);
    for (const monitor::LampRow& row : monitor::kLamps) {
        forms::Shape* lamp = LampShape(row.lamp);
        lamp->setAccessibleName(row.name);
        lamp->setAccessibleDescription(LampDescription(row.lamp, row.unlit));
        LabelSlot(row.count)->setAccessibleName(row.countName);
        LabelSlot(row.lastLit)->setAccessibleName(row.lastLitName);
    }
}

QString frmPing::LampDescription(monitor::Lamp lamp, common::ColourValue fill) {
    using monitor::Field;
    if (fill == monitor::RowOf(lamp).unlit) return QStringLiteral("Not lit");
    if (lamp != monitor::Lamp::kGreen) return QStringLiteral("Lit");
    // A level's caption is the label its field is the buddy of.
    const auto caption = [this](Field level) {
        for (size_t i = 0; i < txtlvl_.size(); ++i) {
            if (txtlvl_[i] == Box(level)) return lbllvl_[i]->Caption();
        }
        return QString();
    };
    for (const monitor::GradeRow& g : monitor::kGrades) {
        if (fill == g.shade) return QStringLiteral("Lit, %1 shade").arg(caption(g.level));
    }
    if (fill == monitor::kBetweenCAndD) {
        return QStringLiteral("Lit, shade between %1 and %2")
            .arg(caption(Field::kLevel2), caption(Field::kLevel3));
    }
    return QStringLiteral("Lit");
}
