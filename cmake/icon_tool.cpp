// Draws the program's dial icon into an icon theme folder, one PNG file per size:
//     <theme folder>/<N>x<N>/apps/tarnovelmon.png
// or checks such a folder: every file decodes as a PNG image of its size and holds the dial as drawn now.
//
// Usage: icon_tool write THEME_FOLDER SIZE...
//        icon_tool check THEME_FOLDER SIZE...
// Needs a platform plugin for its GUI application; the build runs it with QT_QPA_PLATFORM=offscreen.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>
#include <QStringList>
#include <cstdio>
#include <vector>

#include "mainwindow/DialIcon.h"

namespace {

constexpr int kMinSize = 8;
constexpr int kMaxSize = 1024;

void Error(const QString& text) {
    std::fprintf(stderr, "icon_tool: %s\n", qPrintable(text));
}

QString IconFile(const QString& theme, int size) {
    return QStringLiteral("%1/%2x%2/apps/tarnovelmon.png").arg(theme).arg(size);
}

// The dial as the program draws it, in a format that a PNG file keeps without loss.
QImage Dial(int size) {
    return DialPixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
}

bool Write(const QString& theme, int size) {
    const QImage image = Dial(size);
    if (image.width() != size || image.height() != size) {
        Error(QStringLiteral("the dial drawn at %1 pixels is %2x%3")
                  .arg(size)
                  .arg(image.width())
                  .arg(image.height()));
        return false;
    }
    const QString path = IconFile(theme, size);
    if (!QDir().mkpath(QFileInfo(path).path())) {
        Error(QStringLiteral("cannot create the folder of %1").arg(path));
        return false;
    }
    // Written whole or not at all: an interrupted build leaves no truncated icon behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        Error(QStringLiteral("cannot write %1").arg(path));
        return false;
    }
    return true;
}

bool Check(const QString& theme, int size) {
    const QString path = IconFile(theme, size);
    QImageReader reader(path, "PNG");
    QImage read;
    if (!reader.read(&read)) {
        Error(QStringLiteral("%1: not a readable PNG image (%2)").arg(path, reader.errorString()));
        return false;
    }
    if (read.width() != size || read.height() != size) {
        Error(QStringLiteral("%1: %2x%3 pixels, expected %4x%4")
                  .arg(path)
                  .arg(read.width())
                  .arg(read.height())
                  .arg(size));
        return false;
    }
    if (!read.hasAlphaChannel()) {
        Error(QStringLiteral("%1: no alpha channel, the corners would not be transparent").arg(path));
        return false;
    }
    if (read.convertToFormat(QImage::Format_ARGB32) != Dial(size)) {
        Error(QStringLiteral("%1: differs from the dial drawn at %2 pixels").arg(path).arg(size));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    const bool usage =
        args.size() < 4 || (args[1] != QLatin1String("write") && args[1] != QLatin1String("check"));
    if (usage) {
        std::fprintf(stderr, "usage: icon_tool write|check THEME_FOLDER SIZE...\n");
        return 2;
    }
    const bool write = args[1] == QLatin1String("write");
    const QString theme = args[2];

    std::vector<int> sizes;
    for (qsizetype i = 3; i < args.size(); ++i) {
        bool ok = false;
        const int size = args[i].toInt(&ok);
        if (!ok || size < kMinSize || size > kMaxSize) {
            Error(QStringLiteral("not a size from %1 to %2: %3").arg(kMinSize).arg(kMaxSize).arg(args[i]));
            return 2;
        }
        sizes.push_back(size);
    }

    int failures = 0;
    for (const int size : sizes) {
        if (!(write ? Write(theme, size) : Check(theme, size))) ++failures;
    }
    if (!write && failures == 0) std::printf("icon_tool: %zu icons match the dial\n", sizes.size());
    return failures == 0 ? 0 : 1;
}
