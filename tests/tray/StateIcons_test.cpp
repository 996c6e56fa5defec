#include "tray/StateIcons.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <ostream>

namespace {

using tray::StateIcon;

QRgb FillOf(StateIcon state) {
    switch (state) {
        case StateIcon::kGreen:
            return qRgb(0, 255, 0);
        case StateIcon::kYellow:
            return qRgb(255, 255, 0);
        case StateIcon::kRed:
            return qRgb(255, 0, 0);
        case StateIcon::kGrey:
            break;
    }
    return qRgb(192, 192, 192);
}

struct Drawn {
    StateIcon state;
    int size;
};

void PrintTo(const Drawn& d, std::ostream* os) {
    *os << tray::StateIconName(d.state).toStdString() << " " << d.size << " px";
}

class StateIconPixels : public testing::TestWithParam<Drawn> {};

TEST_P(StateIconPixels, BlackBorderFilledSquareSignAtLowerRight) {
    const auto [state, size] = GetParam();
    const QImage image = tray::DrawStateIcon(state, size);
    ASSERT_EQ(image.size(), QSize(size, size));
    const int border = size / 16;
    const QRgb black = qRgb(0, 0, 0);

    // The border is `border` pixels wide all round and opaque black.
    for (int i = 0; i < size; ++i) {
        for (int b = 0; b < border; ++b) {
            ASSERT_EQ(image.pixel(i, b), black) << i << "," << b;
            ASSERT_EQ(image.pixel(i, size - 1 - b), black) << i << "," << size - 1 - b;
            ASSERT_EQ(image.pixel(b, i), black) << b << "," << i;
            ASSERT_EQ(image.pixel(size - 1 - b, i), black) << size - 1 - b << "," << i;
        }
    }
    // Just inside the border, and at the centre, the fill colour.
    EXPECT_EQ(image.pixel(size / 2, size / 2), FillOf(state));
    EXPECT_EQ(image.pixel(border, border), FillOf(state));
    EXPECT_EQ(image.pixel(size - 1 - border, border), FillOf(state));
    EXPECT_EQ(image.pixel(border, size - 1 - border), FillOf(state));

    // Inside the border, black appears in the lower-right quarter only, and only a few pixels of it.
    int signPixels = 0;
    for (int y = border; y < size - border; ++y) {
        for (int x = border; x < size - border; ++x) {
            const QRgb p = image.pixel(x, y);
            if (p == black) {
                EXPECT_TRUE(x >= size / 2 && y >= size / 2) << x << "," << y;
                ++signPixels;
            } else {
                EXPECT_EQ(p, FillOf(state)) << x << "," << y;
            }
        }
    }
    EXPECT_GE(signPixels, 3 * border * border);
    EXPECT_LE(signPixels, 16 * border * border);
}

std::vector<Drawn> AllDrawn() {
    std::vector<Drawn> all;
    for (const StateIcon state : tray::kStateIcons) {
        for (const int size : tray::kStateIconSizes) all.push_back({state, size});
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(AllStatesAndSizes, StateIconPixels, testing::ValuesIn(AllDrawn()),
                         [](const testing::TestParamInfo<Drawn>& info) {
                             return tray::StateIconName(info.param.state).toStdString() + "_" +
                                    std::to_string(info.param.size);
                         });

TEST(StateIcons, SignsTellTheStatesApartWithoutColour) {
    for (size_t a = 0; a < tray::kStateIcons.size(); ++a) {
        for (size_t b = a + 1; b < tray::kStateIcons.size(); ++b) {
            // Compare only where black is: the fill colours are not part of the shape.
            bool differ = false;
            const QImage ia = tray::DrawStateIcon(tray::kStateIcons[a], 16);
            const QImage ib = tray::DrawStateIcon(tray::kStateIcons[b], 16);
            for (int y = 0; y < 16 && !differ; ++y) {
                for (int x = 0; x < 16 && !differ; ++x) {
                    differ = (ia.pixel(x, y) == qRgb(0, 0, 0)) != (ib.pixel(x, y) == qRgb(0, 0, 0));
                }
            }
            EXPECT_TRUE(differ) << a << " and " << b;
        }
    }
}

TEST(StateIcons, OneIconHoldsEverySize) {
    for (const StateIcon state : tray::kStateIcons) {
        const QIcon icon = tray::MakeStateIcon(state);
        const QList<QSize> sizes = icon.availableSizes();
        for (const int size : tray::kStateIconSizes) {
            EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
            // Asked for exactly a size it has, the icon gives the picture drawn for it, not a scaled one.
            EXPECT_EQ(icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32),
                      tray::DrawStateIcon(state, size));
        }
    }
}

TEST(StateIcons, SavesOnePngPerStateAndSize) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString folder = temp.filePath(QStringLiteral("shots/tray"));  // missing folders are made
    ASSERT_TRUE(tray::SaveStateIconPngs(folder));

    QStringList expected;
    for (const char* name : {"green", "yellow", "red", "grey"}) {
        for (const int size : {16, 32}) expected << QStringLiteral("tray_%1_%2.png").arg(name).arg(size);
    }
    QStringList found = QDir(folder).entryList(QDir::Files);
    found.sort();
    expected.sort();
    EXPECT_EQ(found, expected);

    const QImage red32(QDir(folder).filePath(QStringLiteral("tray_red_32.png")));
    ASSERT_EQ(red32.size(), QSize(32, 32));
    EXPECT_EQ(red32.convertToFormat(QImage::Format_ARGB32), tray::DrawStateIcon(StateIcon::kRed, 32));
}

TEST(StateIcons, SavingFailsWhereTheFolderCannotBeMade) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString file = temp.filePath(QStringLiteral("plain-file"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_FALSE(tray::SaveStateIconPngs(file + QStringLiteral("/inside")));
}

}  // namespace
