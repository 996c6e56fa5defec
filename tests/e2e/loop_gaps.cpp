// The program's notification area with one icon, while the event loop's gaps are timed: every 5 ms a
// timer is due, and the longest time between two of its runs is printed at the end. Fails when the loop
// stalled for 250 ms or more, as a question to a watcher that answers late or never would stall it.
// Usage: loop_gaps SECONDS | loop_gaps --silent-watcher (holds the watcher's name, stopped)
#include <csignal>

#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/forms/Handles.h"
#include "platform/qt/QtNotificationArea.h"

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "--silent-watcher") {
        QCoreApplication app(argc, argv);
        if (!QDBusConnection::sessionBus().registerService(QStringLiteral("org.kde.StatusNotifierWatcher")))
            return 1;
        raise(SIGSTOP);  // holds the name, reads nothing more
    }
    QApplication app(argc, argv);
    QElapsedTimer clock;  // from before the area is made: its start must not wait either
    clock.start();
    platform::QtNotificationArea area;
    QPixmap picture(22, 22);
    picture.fill(Qt::blue);
    const int32_t icon = forms::RegisterIcon(QIcon(picture));
    area.SetArrivalHandler([&] { area.Add(1, 1, icon, "gaps"); });
    area.Add(1, 1, icon, "gaps");
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    tick.start(5);
    QTimer::singleShot(std::atoi(argc > 1 ? argv[1] : "10") * 1000, &app, &QCoreApplication::quit);
    app.exec();
    std::printf("longest gap of the event loop: %lld ms\n", static_cast<long long>(longest));
    return longest < 250 ? 0 : 1;
}
