// The program's notification area with one icon, while the event loop's gaps are timed: every 5 ms a
// timer is due, and the longest time between two of its runs is printed at the end. Fails when the loop
// stalled for 250 ms or more, as a question to a watcher that answers late or never would stall it.
// Usage: loop_gaps SECONDS | loop_gaps --silent-watcher (holds the watcher's name, stopped) | --watcher
#include <csignal>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/forms/Handles.h"
#include "platform/qt/QtNotificationArea.h"

// A watcher with a host, printing the items that register; it takes the name and gives it up to the next.
class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered MEMBER host_ CONSTANT)
    Q_PROPERTY(int ProtocolVersion MEMBER version_ CONSTANT)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems MEMBER items_ CONSTANT)
    bool host_ = true;
    int version_ = 0;
    QStringList items_;

  public slots:
    void RegisterStatusNotifierItem(const QString& item) {
        std::printf("item %s\n", qPrintable(item));
        std::fflush(stdout);
    }
    void RegisterStatusNotifierHost(const QString&) {}
};

int main(int argc, char** argv) {
    const QByteArray mode = argc > 1 ? argv[1] : "";
    if (mode == "--silent-watcher" || mode == "--watcher") {
        QCoreApplication app(argc, argv);
        QDBusConnection bus = QDBusConnection::sessionBus();
        Watcher watcher;
        bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                           QDBusConnection::ExportAllContents);
        if (!bus.interface()->registerService(QStringLiteral("org.kde.StatusNotifierWatcher"),
                                              QDBusConnectionInterface::ReplaceExistingService,
                                              QDBusConnectionInterface::AllowReplacement))
            return 1;
        if (mode == "--watcher") return app.exec();
        raise(SIGSTOP);  // holds the name, reads nothing more
    }
    QApplication app(argc, argv);
    QElapsedTimer clock;  // from before the area is made: its start must not wait either
    clock.start();
    platform::QtNotificationArea area(QDBusConnection::sessionBus());
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

#include "loop_gaps.moc"
