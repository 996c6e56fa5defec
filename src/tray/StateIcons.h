// The four pictures of the tray icon, one per state of the monitored site: a square with a black border
// filled in the traffic-light colour, with a small black sign in its lower-right corner so that the
// states differ in shape as well as colour.
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>
#include <array>
#include <initializer_list>

#include "common/StateIcon.h"

namespace tray {

using common::StateIcon;

// The sizes the icon offers trays: the usual panel sizes, and their doubles for panels at twice the
// density. Any other size is drawn when asked for.
constexpr std::array<int, 7> kStateIconSizes{16, 22, 24, 32, 44, 48, 64};

// The picture at any size: a 16 × 16 design, each device pixel taking the colour of the design pixel
// it falls in, so that edges stay sharp (at multiples of 16, each design pixel is a square block).
QImage DrawStateIcon(StateIcon state, int size);
// The icon, drawn at whatever size it is shown.
QIcon MakeStateIcon(StateIcon state);

// "green", "yellow", "red", "grey".
QString StateIconName(StateIcon state);

// Writes "tray_<name>_<size>.png" for every state and size into the folder, which is created when
// missing. False when a file could not be written.
bool SaveStateIconPngs(const QString& folder, std::initializer_list<int> sizes = {16, 32});

}  // namespace tray
