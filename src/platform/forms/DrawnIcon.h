// An icon drawn anew at every size it is asked for, so that it is sharp at any density: a tray that
// asks for 44 device pixels gets 44 drawn pixels, not a smaller picture scaled up.
#pragma once

#include <QIcon>
#include <QImage>
#include <functional>
#include <vector>

namespace forms {

// `draw` paints the square picture of the given side in pixels. `sizes` are the sizes the icon says it
// has (trays pick from them); any other size is drawn too when asked for.
QIcon DrawnIcon(std::function<QImage(int side)> draw, std::vector<int> sizes);

}  // namespace forms
