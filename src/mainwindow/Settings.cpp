// The window's settings: read once while the window loads, straight into its controls, and written
// once while it unloads. Between the two the controls are the working copy.
#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <optional>

#include "common/NumberText.h"
#include "common/Twips.h"
#include "mainwindow/frmPing.h"
#include "notify/Notifier.h"
#include "platform/SettingsStore.h"
#include "platform/forms/Services.h"

namespace {

const std::string kSection = "Settings";
// Whether a lost and a restored connection are told, in a section of its own: "1" on (the default),
// "0" off.
const std::string kNotifySection = "Notifications";
const std::string kNotifyKey = "Notify";

// The fields kept, in the order they are read and written, with their defaults. The two default
// sites are public host names that answer echo requests. Level D is not kept: it repeats level C,
// filled by level C's change as it is read.
struct FieldKey {
    const char* key;
    monitor::Field field;
    const char* defaultValue;
};
constexpr FieldKey kFieldKeys[] = {
    {"site0", monitor::Field::kSite0, "one.one.one.one"},
    {"site1", monitor::Field::kSite1, "dns.google"},
    {"TimeOut", monitor::Field::kTimeOut, "250"},
    {"TTL", monitor::Field::kTimeToLive, "64"},
    {"LoopMn", monitor::Field::kLoop, "1"},
    {"level0", monitor::Field::kLevel0, "75"},
    {"level1", monitor::Field::kLevel1, "120"},
    {"level2", monitor::Field::kLevel2, "200"},
};

// The window's placement, kept under the window's name followed by the property. Where the compositor
// places windows, the position is neither used nor overwritten with what it reports.
struct PlacementKey {
    const char* property;
    float (frmPing::*get)() const;
    void (frmPing::*set)(float);
    bool position;
};
constexpr PlacementKey kPlacementKeys[] = {{"Left", &frmPing::Left, &frmPing::SetLeft, true},
                                           {"Top", &frmPing::Top, &frmPing::SetTop, true},
                                           {"Width", &frmPing::Width, &frmPing::SetWidth, false},
                                           {"Height", &frmPing::Height, &frmPing::SetHeight, false}};

bool Kept(const PlacementKey& key, bool compositorPlacesWindows) {
    return !key.position || !compositorPlacesWindows;
}

std::string Application() {
    return forms::App::Title().toStdString();
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
    for (const PlacementKey& p : kPlacementKeys) {
        if (!Kept(p, compositorPlacesWindows_)) continue;
        const std::string current = common::DecimalText((this->*p.get)());
        if (const auto stored =
                PlacementValue(settings_.Read(Application(), kSection, name + p.property, current))) {
            (this->*p.set)(*stored);
        }
    }
    if (!compositorPlacesWindows_) KeepOnScreen();
    for (const FieldKey& k : kFieldKeys) {
        Box(k.field)->SetText(settings_.Read(Application(), kSection, k.key, k.defaultValue));
    }
    const bool notify = settings_.Read(Application(), kNotifySection, kNotifyKey, "1") != "0";
    tray_.mnuRightNotify().setChecked(notify);
    notifier_.SetEnabled(notify);
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
        for (const PlacementKey& p : kPlacementKeys) {
            if (!Kept(p, compositorPlacesWindows_)) continue;
            settings_.Write(Application(), kSection, name + p.property,
                            common::DecimalText((this->*p.get)()));
        }
    }
    for (const FieldKey& k : kFieldKeys)
        settings_.Write(Application(), kSection, k.key, Box(k.field)->Text());
    settings_.Write(Application(), kNotifySection, kNotifyKey, notifier_.Enabled() ? "1" : "0");
    return settings_.Flush();
}
