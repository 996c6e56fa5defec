// The Qt notification area on a real X server, with trayer as the XEmbed tray and xdotool as the
// user's hand. run_under_xvfb.sh runs it once before trayer starts (TN_TRAY_HOST=absent), once after.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>

#include "platform/forms/Handles.h"
#include "platform/qt/QtNotificationArea.h"
#include "tray/StateIcons.h"

namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer timer;
    for (timer.start(); !done() && timer.elapsed() < ms; QThread::msleep(10))
        QCoreApplication::processEvents();
    return done();
}

QString Sh(const QString& command) {  // its standard output
    QProcess process;
    process.startCommand(command);
    return process.waitForFinished() ? process.readAllStandardOutput() : QString();
}

int Field(const QString& text, const char* label) {
    const auto m = QRegularExpression(QString::fromLatin1(label) + ":\\s*(\\S+)").match(text);
    return static_cast<int>(m.captured(1).toLongLong(nullptr, 0));
}

// Where the window shows on the screen; empty unless it is viewable inside trayer.
QRect EmbeddedRect(WId id) {
    const QStringList trayer = Sh(QString("xdotool search --class trayer")).split(QLatin1Char('\n'));
    const QString info = Sh(QString("xwininfo -tree -stats -id %1").arg(id));
    for (QString up = info; info.contains(QString("IsViewable")) && Field(up, "Parent window id") != 0;) {
        if (trayer.contains(QString::number(Field(up, "Parent window id"))))
            return {Field(info, "Absolute upper-left X"), Field(info, "Absolute upper-left Y"),
                    Field(info, "Width"), Field(info, "Height")};
        up = Sh(QString("xwininfo -tree -id %1").arg(Field(up, "Parent window id")));
    }
    return {};
}

template <class T>
T* TopLevel(const char* className) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits(className) && w->isVisible()) return static_cast<T*>(w);
    return nullptr;
}

constexpr int32_t kOwner = 0x7F000001;

TEST(TrayNoHost, AddingFails) {
    if (qgetenv("TN_TRAY_HOST") != "absent") GTEST_SKIP() << "needs Xvfb without a tray (run_under_xvfb.sh)";
    platform::QtNotificationArea area;
    EXPECT_FALSE(area.Add(kOwner, 1, 0, "Ready"));
    EXPECT_EQ(area.TrayIcon(kOwner, 1), nullptr);
}

TEST(TrayHost, IconIsEmbeddedChangedClickedAndRemoved) {
    if (qgetenv("TN_TRAY_HOST") != "running") GTEST_SKIP() << "needs Xvfb with trayer (run_under_xvfb.sh)";
    ASSERT_TRUE(WaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    const auto Icon = [](tray::StateIcon state) { return forms::RegisterIcon(tray::MakeStateIcon(state)); };
    platform::QtNotificationArea area;
    std::vector<int32_t> messages;
    area.SetEventHandler([&](int32_t owner, uint32_t id, int32_t m) {
        messages.push_back(owner == kOwner && id == 1 ? m : 0);
    });
    ASSERT_TRUE(area.Add(kOwner, 1, Icon(tray::StateIcon::kGreen), "Ready"));
    ASSERT_TRUE(WaitFor([] { return TopLevel<QWidget>("QSystemTrayIconSys") != nullptr; }));
    const WId id = TopLevel<QWidget>("QSystemTrayIconSys")->winId();
    QRect r;
    ASSERT_TRUE(WaitFor([&] { return !(r = EmbeddedRect(id)).isEmpty(); })) << "not embedded in trayer";
    QScreen* screen = QGuiApplication::primaryScreen();
    const auto colour = [&] {
        return screen->grabWindow(0, r.center().x(), r.center().y(), 1, 1).toImage().pixel(0, 0);
    };
    EXPECT_TRUE(WaitFor([&] { return colour() == qRgb(0, 255, 0); }));
    const QDir dir(QStringLiteral(TN_SCREENSHOT_DIR));
    const QRect corner = r.adjusted(-48, -8, 8, 8) & screen->geometry();
    EXPECT_TRUE(dir.mkpath(QString(".")) &&
                screen->grabWindow(0, corner.x(), corner.y(), corner.width(), corner.height())
                    .save(dir.filePath(QString("tray_in_trayer.png")), "PNG"));

    const QString tip = QString("example.org: <no> answer");
    ASSERT_TRUE(area.Modify(kOwner, 1, Icon(tray::StateIcon::kRed), tip.toStdString()));
    EXPECT_TRUE(WaitFor([&] { return colour() == qRgb(255, 0, 0); })) << "the old picture stays";
    const QString at = QString("xdotool mousemove %1 %2 ").arg(r.center().x()).arg(r.center().y());
    Sh(at);
    EXPECT_TRUE(WaitFor(
        [&] { return TopLevel<QLabel>("QTipLabel") && TopLevel<QLabel>("QTipLabel")->text() == tip; }));
    for (const auto& [button, message] : {std::pair{1, 513}, std::pair{3, 516}}) {
        messages.clear();
        Sh(at + QString("click %1").arg(button));
        WaitFor([&] { return messages.size() > 1; }, 700);  // and no double click with the next one
        EXPECT_EQ(messages, std::vector<int32_t>{message}) << "button " << button;
    }

    ASSERT_TRUE(area.Delete(kOwner, 1));
    EXPECT_TRUE(WaitFor([&] { return EmbeddedRect(id).isEmpty(); })) << "still in the tray";
}

}  // namespace
