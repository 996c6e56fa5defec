// Conversion of the program's colour values to Qt colours.
#pragma once

#include <QColor>

#include "common/Colours.h"

namespace common {

// The Qt colour of a colour value; system colours resolve as ResolveColour does.
QColor ToQColor(ColourValue value);
// The colour value of a Qt colour (alpha dropped).
ColourValue FromQColor(const QColor& colour);

}  // namespace common
