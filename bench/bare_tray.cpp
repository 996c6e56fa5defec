// The yardstick of desktop_bench: a bare Qt Widgets program with as many widgets of the same kinds as
// TarnovelMon's main window (64 below the window: 6 group boxes, 4 plain widgets, 33 labels, 10 line
// edits, 8 push buttons, 2 radio buttons, 1 check box), placed by hand at its size, and a tray icon.
// Usage: bare_tray [--hidden]   (--hidden: only the tray icon is shown)
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QWidget>
#include <cstring>
#include <vector>

namespace {

QIcon TrayIcon() {
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::black);
    QPainter(&pixmap).fillRect(1, 1, 20, 20, QColor(192, 192, 192));
    return QIcon(pixmap);
}

// Each kind of widget in turn, in a grid of cells over the group boxes.
void Populate(QWidget& window) {
    std::vector<QWidget*> groups;
    for (int i = 0; i < 6; ++i) {
        auto* group = new QGroupBox(QStringLiteral("Group %1").arg(i), &window);
        group->setGeometry((i % 3) * 178, (i / 3) * 188, 174, 184);
        groups.push_back(group);
    }
    int cell = 0;
    const auto place = [&](QWidget* w) {
        w->setGeometry(8 + (cell % 2) * 82, 20 + (cell / 2 % 8) * 20, 78, 18);
        ++cell;
    };
    const auto parent = [&] { return groups[static_cast<size_t>(cell / 16 % 6)]; };
    for (int i = 0; i < 4; ++i) place(new QWidget(parent()));
    for (int i = 0; i < 33; ++i) place(new QLabel(QStringLiteral("Label %1").arg(i), parent()));
    for (int i = 0; i < 10; ++i) place(new QLineEdit(QStringLiteral("%1").arg(i), parent()));
    for (int i = 0; i < 8; ++i) place(new QPushButton(QStringLiteral("Button %1").arg(i), parent()));
    for (int i = 0; i < 2; ++i) place(new QRadioButton(QStringLiteral("Option %1").arg(i), parent()));
    place(new QCheckBox(QStringLiteral("Check"), parent()));
}

}  // namespace

int main(int argc, char* argv[]) {
    const bool hidden = argc > 1 && std::strcmp(argv[1], "--hidden") == 0;
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Tray"));
    window.setFixedSize(534, 376);
    Populate(window);
    QSystemTrayIcon tray(TrayIcon());
    tray.setToolTip(QStringLiteral("Bare Tray"));
    tray.show();
    if (!hidden) {
        // Shown and activated as TarnovelMon shows its window: the first line edit takes the focus, and
        // its cursor blinks.
        window.show();
        window.raise();
        window.activateWindow();
    }
    return QApplication::exec();
}
