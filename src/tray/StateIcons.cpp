#include "tray/StateIcons.h"

#include <QDir>
#include <algorithm>
#include <cstddef>

#include "common/QtColours.h"
#include "platform/forms/DrawnIcon.h"

namespace tray {

namespace {

constexpr int kDesign = 16;

// Signs on the 16 × 16 grid: rows of '#' (black) and '.' (fill), placed at column 9, row 9, which keeps
// a one-pixel gap of fill colour inside the border.
constexpr int kSignOrigin = 9;
using Sign = std::array<const char*, 5>;

// clang-format off
constexpr Sign kTick{
    ".....",
    "....#",
    "...#.",
    "#.#..",
    ".#...",
};
constexpr Sign kBar{
    ".....",
    "#####",
    "#####",
    ".....",
    ".....",
};
constexpr Sign kCross{
    "#...#",
    ".#.#.",
    "..#..",
    ".#.#.",
    "#...#",
};
constexpr Sign kDots{
    ".....",
    ".....",
    ".....",
    "#.#.#",
    ".....",
};
// clang-format on

QColor FillColour(StateIcon state) {
    switch (state) {
        case StateIcon::kGreen:
            return common::ToQColor(common::kLitGreen);
        case StateIcon::kYellow:
            return common::ToQColor(common::kLitYellow);
        case StateIcon::kRed:
            return common::ToQColor(common::kLitRed);
        case StateIcon::kGrey:
            break;
    }
    return QColor(192, 192, 192);
}

const Sign& SignOf(StateIcon state) {
    switch (state) {
        case StateIcon::kGreen:
            return kTick;
        case StateIcon::kYellow:
            return kBar;
        case StateIcon::kRed:
            return kCross;
        case StateIcon::kGrey:
            break;
    }
    return kDots;
}

bool IsBlack(StateIcon state, int x, int y) {
    if (x == 0 || y == 0 || x == kDesign - 1 || y == kDesign - 1) return true;
    const int col = x - kSignOrigin;
    const int row = y - kSignOrigin;
    if (col < 0 || row < 0 || col >= 5 || row >= 5) return false;
    return SignOf(state)[static_cast<size_t>(row)][col] == '#';
}

}  // namespace

QImage DrawStateIcon(StateIcon state, int size) {
    QImage image(std::max(size, 0), std::max(size, 0), QImage::Format_ARGB32);
    const QRgb fill = FillColour(state).rgba();
    const QRgb black = QColor(Qt::black).rgba();
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            image.setPixel(x, y, IsBlack(state, x * kDesign / size, y * kDesign / size) ? black : fill);
        }
    }
    return image;
}

QIcon MakeStateIcon(StateIcon state) {
    return forms::DrawnIcon([state](int side) { return DrawStateIcon(state, side); },
                            {kStateIconSizes.begin(), kStateIconSizes.end()});
}

QString StateIconName(StateIcon state) {
    switch (state) {
        case StateIcon::kGreen:
            return QStringLiteral("green");
        case StateIcon::kYellow:
            return QStringLiteral("yellow");
        case StateIcon::kRed:
            return QStringLiteral("red");
        case StateIcon::kGrey:
            break;
    }
    return QStringLiteral("grey");
}

bool SaveStateIconPngs(const QString& folder, std::initializer_list<int> sizes) {
    if (!QDir().mkpath(folder)) return false;
    const QDir dir(folder);
    bool ok = true;
    for (const StateIcon state : kStateIcons) {
        for (const int size : sizes) {
            const QString name = QStringLiteral("tray_%1_%2.png").arg(StateIconName(state)).arg(size);
            ok = DrawStateIcon(state, size).save(dir.filePath(name), "PNG") && ok;
        }
    }
    return ok;
}

}  // namespace tray
