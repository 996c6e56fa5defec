// The window's settings: read once while the window loads, straight into its controls, and written
// once while it unloads. Between the two the controls are the working copy.
#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <optional>

#include "common/NumberText.h"
#include "common/Twips.h"
#include "mainwindow/frmPing.h"
#include "platform/SettingsStore.h"
#include "platform/forms/Services.h"

namespace {

const std::string kSection = "Settings";

std::string Application() {
    return forms::App::Title().toStdString();
}

std::string Read(const std::string& key, const std::string& defaultValue) {
    return platform::CurrentSettingsStore().Read(Application(), kSection, key, defaultValue);
}

void Write(const std::string& key, const std::string& value) {
    platform::CurrentSettingsStore().Write(Application(), kSection, key, value);
}

// A stored placement: a number, or nothing when the text is none (the design value stays then).
std::optional<float> PlacementValue(const std::string& text) {
    bool ok = false;
    const float v = QString::fromStdString(text).trimmed().toFloat(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

}  // namespace

void frmPing::LoadSettings() {
    const std::string name = objectName().toStdString();
    struct Placement {
        const char* property;
        float (frmPing::*get)() const;
        void (frmPing::*set)(float);
    };
    const Placement placements[] = {{"Left", &frmPing::Left, &frmPing::SetLeft},
                                    {"Top", &frmPing::Top, &frmPing::SetTop},
                                    {"Width", &frmPing::Width, &frmPing::SetWidth},
                                    {"Height", &frmPing::Height, &frmPing::SetHeight}};
    for (const Placement& p : placements) {
        const float current = (this->*p.get)();
        if (const auto stored = PlacementValue(Read(name + p.property, common::DecimalText(current)))) {
            (this->*p.set)(*stored);
        }
    }
    KeepOnScreen();

    txtIP(0)->SetText(Read("site0", kDefaultSite0));
    txtIP(1)->SetText(Read("site1", kDefaultSite1));
    txtTimeOut()->SetText(Read("TimeOut", "250"));
    txtTimeToLive()->SetText(Read("TTL", "64"));
    txtLoop()->SetText(Read("LoopMn", "1"));
    txtlvl(0)->SetText(Read("level0", "75"));
    txtlvl(1)->SetText(Read("level1", "120"));
    txtlvl(2)->SetText(Read("level2", "200"));
    txtlvl(3)->SetText(txtlvl(2)->Text());
    settingsLoaded_ = true;
}

void frmPing::KeepOnScreen() {
    const QRect window(x(), y(), static_cast<int>(std::lround(common::TwipsToPixels(Width()))),
                       static_cast<int>(std::lround(common::TwipsToPixels(Height()))));
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->geometry().intersects(window)) return;
    }
    // Wholly off every screen (a monitor since unplugged): centred on the primary screen.
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        const QRect area = primary->availableGeometry();
        move(area.x() + std::max(0, (area.width() - window.width()) / 2),
             area.y() + std::max(0, (area.height() - window.height()) / 2));
    }
}

bool frmPing::SaveSettings() {
    // Settings that were never read (a failed start) are not overwritten with the design's contents.
    if (!settingsLoaded_) return false;
    if (WindowState() == forms::kNormal) {
        const std::string name = objectName().toStdString();
        Write(name + "Left", common::DecimalText(Left()));
        Write(name + "Top", common::DecimalText(Top()));
        Write(name + "Width", common::DecimalText(Width()));
        Write(name + "Height", common::DecimalText(Height()));
    }
    Write("site0", txtIP(0)->Text());
    Write("site1", txtIP(1)->Text());
    Write("TimeOut", txtTimeOut()->Text());
    Write("TTL", txtTimeToLive()->Text());
    Write("LoopMn", txtLoop()->Text());
    Write("level0", txtlvl(0)->Text());
    Write("level1", txtlvl(1)->Text());
    Write("level2", txtlvl(2)->Text());
    return platform::CurrentSettingsStore().Flush();
}
