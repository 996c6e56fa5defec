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
constexpr int kSignSide = 5;
using Sign = std::array<const char*, kSignSide>;

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

// One row per picture: its fill, its sign and the name its files carry.
struct StateIconRow {
    StateIcon state;
    common::ColourValue fill;
    const Sign& sign;
    const char* name;
};
const StateIconRow kRows[] = {
    {StateIcon::kGreen, common::kLitGreen, kTick, "green"},
    {StateIcon::kYellow, common::kLitYellow, kBar, "yellow"},
    {StateIcon::kRed, common::kLitRed, kCross, "red"},
    {StateIcon::kGrey, common::RgbValue(192, 192, 192), kDots, "grey"},
};

const StateIconRow& RowOf(StateIcon state) {
    for (const StateIconRow& row : kRows) {
        if (row.state == state) return row;
    }
    return kRows[3];  // not reached: every picture has a row
}

bool IsBlack(StateIcon state, int x, int y) {
    if (x == 0 || y == 0 || x == kDesign - 1 || y == kDesign - 1) return true;
    const int col = x - kSignOrigin;
    const int row = y - kSignOrigin;
    if (col < 0 || row < 0 || col >= kSignSide || row >= kSignSide) return false;
    return RowOf(state).sign[static_cast<size_t>(row)][col] == '#';
}

}  // namespace

QImage DrawStateIcon(StateIcon state, int size) {
    QImage image(std::max(size, 0), std::max(size, 0), QImage::Format_ARGB32);
    const QRgb fill = common::ToQColor(RowOf(state).fill).rgba();
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
    return QString::fromLatin1(RowOf(state).name);
}

bool SaveStateIconPngs(const QString& folder, std::initializer_list<int> sizes) {
    if (!QDir().mkpath(folder)) return false;
    const QDir dir(folder);
    bool ok = true;
    for (const StateIconRow& row : kRows) {
        for (const int size : sizes) {
            const QString name =
                QStringLiteral("tray_%1_%2.png").arg(QString::fromLatin1(row.name)).arg(size);
            ok = DrawStateIcon(row.state, size).save(dir.filePath(name), "PNG") && ok;
        }
    }
    return ok;
}

}  // namespace tray
