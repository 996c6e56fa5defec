// The Qt notification area on a real X server with an XEmbed tray host, driven by xdotool as the
// user's hand. Run by run_under_xvfb.sh, which starts the server, runs the binary once before the tray
// host is started (TN_TRAY_HOST=absent) and once while it runs (TN_TRAY_HOST=running).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QThread>
#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/NotificationAreaService.h"
#include "platform/forms/Handles.h"
#include "platform/qt/QtNotificationArea.h"
#include "tray/StateIcons.h"
#include "tray/frmSysTray.h"
#include "tray/modSysTray.h"

namespace {

constexpr int kWaitMs = 5000;

bool HostMode(const char* mode) {
    return qgetenv("TN_TRAY_HOST") == mode;
}

// Handles events until the condition holds; false when it still does not after the time allowed.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = kWaitMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

// Runs an X tool; its standard output, or nothing when it failed.
std::optional<QString> Tool(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(kWaitMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QString Hex(WId id) {
    return QStringLiteral("0x") + QString::number(id, 16);
}

// What the X server says about a window.
struct XWindow {
    WId root = 0;
    WId parent = 0;
    QRect absolute;  // position on the screen and size
    bool viewable = false;
};

std::optional<XWindow> Inspect(WId id) {
    const std::optional<QString> out =
        Tool(QStringLiteral("xwininfo"),
             {QStringLiteral("-id"), Hex(id), QStringLiteral("-tree"), QStringLiteral("-stats")});
    if (!out) return std::nullopt;
    const auto field = [&](const char* label) -> QString {
        const QRegularExpression re(QString::fromLatin1(label) + QStringLiteral(":\\s*(\\S+)"));
        const QRegularExpressionMatch m = re.match(*out);
        return m.hasMatch() ? m.captured(1) : QString();
    };
    XWindow w;
    bool ok = true;
    w.root = field("Root window id").toULongLong(&ok, 16);
    w.parent = field("Parent window id").toULongLong(&ok, 16);
    w.absolute = QRect(field("Absolute upper-left X").toInt(), field("Absolute upper-left Y").toInt(),
                       field("Width").toInt(), field("Height").toInt());
    w.viewable = field("Map State") == QStringLiteral("IsViewable");
    return w;
}

// The tray host's top-level windows.
std::set<WId> TrayHostWindows() {
    std::set<WId> ids;
    const std::optional<QString> out =
        Tool(QStringLiteral("xdotool"),
             {QStringLiteral("search"), QStringLiteral("--class"), QStringLiteral("trayer")});
    if (!out) return ids;
    for (const QString& line : out->split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        ids.insert(line.toULongLong());
    return ids;
}

// The window Qt shows for a tray icon on X11. Qt keeps it as a top-level widget of its own.
QWidget* TrayIconWidget() {
    QWidget* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->inherits("QSystemTrayIconSys")) {
            if (found != nullptr) return nullptr;  // more than one icon: the tests show one at a time
            found = w;
        }
    }
    return found;
}

// True when the window sits, viewable, inside one of the tray host's windows.
bool EmbeddedInTrayHost(WId id) {
    const std::optional<XWindow> w = Inspect(id);
    if (!w || !w->viewable || w->parent == w->root || w->parent == 0) return false;
    const std::set<WId> host = TrayHostWindows();
    WId ancestor = w->parent;
    for (int depth = 0; depth < 16; ++depth) {
        if (host.count(ancestor) != 0) return true;
        const std::optional<XWindow> a = Inspect(ancestor);
        if (!a || a->parent == 0 || a->parent == a->root) return false;
        ancestor = a->parent;
    }
    return false;
}

// The colour on the screen at the centre of the rectangle.
QRgb ScreenColourAt(const QRect& r) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QImage image = screen->grabWindow(0, r.center().x(), r.center().y(), 1, 1).toImage();
    return image.isNull() ? 0 : (image.pixel(0, 0) | 0xFF000000u);
}

bool Click(const QRect& r, const QStringList& clickArgs) {
    QStringList args{QStringLiteral("mousemove"), QString::number(r.center().x()),
                     QString::number(r.center().y()), QStringLiteral("click")};
    args += clickArgs;
    return Tool(QStringLiteral("xdotool"), args).has_value();
}

// The tool tip shown now, empty when none is.
QString ShownToolTip() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->inherits("QTipLabel") && w->isVisible()) return static_cast<QLabel*>(w)->text();
    }
    return {};
}

int32_t StateIconHandle(tray::StateIcon state) {
    static std::map<tray::StateIcon, int32_t> handles;
    const auto it = handles.find(state);
    if (it != handles.end()) return it->second;
    return handles[state] = forms::RegisterIcon(tray::MakeStateIcon(state));
}

constexpr int32_t kOwner = 0x7F000001;

// ---- With no tray host

TEST(TrayNoHost, AddingFailsAndNothingIsShown) {
    if (!HostMode("absent")) GTEST_SKIP() << "needs an X server without a tray host (run_under_xvfb.sh)";
    EXPECT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());

    platform::QtNotificationArea area;
    EXPECT_FALSE(area.Add(kOwner, 1, StateIconHandle(tray::StateIcon::kGreen), "Ready"));
    EXPECT_EQ(area.TrayIcon(kOwner, 1), nullptr);
    EXPECT_FALSE(area.Modify(kOwner, 1, StateIconHandle(tray::StateIcon::kRed), "Down"));
    EXPECT_FALSE(area.Delete(kOwner, 1));

    // The program's own path answers the same.
    EXPECT_FALSE(modSysTray::AddTrayIcon(TheSysTray().Picture4(), "Ready", modSysTray::nid));
    EXPECT_EQ(TrayIconWidget(), nullptr);
}

// ---- With trayer as the tray host

class TrayHost : public testing::Test {
  protected:
    void SetUp() override {
        if (!HostMode("running")) GTEST_SKIP() << "needs an X server with a tray host (run_under_xvfb.sh)";
        ASSERT_TRUE(WaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }))
            << "the tray host did not take the tray selection";
    }
    void TearDown() override {
        area.Delete(kOwner, 1);
        WaitFor([] { return TrayIconWidget() == nullptr; });
    }

    // Waits until the icon's window is embedded in the tray host; its id, or 0.
    WId WaitEmbedded() {
        WId id = 0;
        WaitFor([&] {
            QWidget* w = TrayIconWidget();
            id = w != nullptr ? w->winId() : 0;
            return id != 0 && EmbeddedInTrayHost(id);
        });
        return id != 0 && EmbeddedInTrayHost(id) ? id : 0;
    }

    platform::QtNotificationArea area;
};

TEST_F(TrayHost, AddedIconIsEmbeddedInTheTray) {
    ASSERT_TRUE(area.Add(kOwner, 1, StateIconHandle(tray::StateIcon::kGreen), "Ready"));
    ASSERT_NE(area.TrayIcon(kOwner, 1), nullptr);
    const WId id = WaitEmbedded();
    ASSERT_NE(id, 0u) << "the icon's window did not appear inside trayer";

    const std::optional<XWindow> w = Inspect(id);
    ASSERT_TRUE(w);
    EXPECT_TRUE(WaitFor([&] { return ScreenColourAt(w->absolute) == qRgb(0, 255, 0); }))
        << "the tray does not show the green picture";

    EXPECT_FALSE(area.Add(kOwner, 1, StateIconHandle(tray::StateIcon::kRed), "again")) << "the icon exists";
    EXPECT_TRUE(area.Add(kOwner, 2, StateIconHandle(tray::StateIcon::kRed), "second"));
    EXPECT_TRUE(area.Delete(kOwner, 2));
}

TEST_F(TrayHost, ModifyChangesPictureAndTipInPlace) {
    ASSERT_TRUE(area.Add(kOwner, 1, StateIconHandle(tray::StateIcon::kGrey), "Ready"));
    const WId id = WaitEmbedded();
    ASSERT_NE(id, 0u);
    const std::optional<XWindow> before = Inspect(id);
    ASSERT_TRUE(before);
    ASSERT_TRUE(WaitFor([&] { return ScreenColourAt(before->absolute) == qRgb(192, 192, 192); }));

    ASSERT_TRUE(area.Modify(kOwner, 1, StateIconHandle(tray::StateIcon::kRed), "example.org: no answer"));
    EXPECT_TRUE(WaitFor([&] { return ScreenColourAt(before->absolute) == qRgb(255, 0, 0); }))
        << "the tray still shows the old picture";
    EXPECT_TRUE(EmbeddedInTrayHost(id)) << "the icon left the tray";

    // Resting the pointer on the icon shows the new tip, as written.
    ASSERT_TRUE(Tool(QStringLiteral("xdotool"),
                     {QStringLiteral("mousemove"), QString::number(before->absolute.center().x()),
                      QString::number(before->absolute.center().y())}));
    WaitFor([] { return !ShownToolTip().isEmpty(); });
    EXPECT_EQ(ShownToolTip(), QStringLiteral("example.org: no answer"));
    Tool(QStringLiteral("xdotool"),
         {QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("700")});

    EXPECT_FALSE(area.Modify(kOwner, 9, StateIconHandle(tray::StateIcon::kGreen), "no such icon"));
}

TEST_F(TrayHost, DeleteTakesTheIconOutOfTheTray) {
    ASSERT_TRUE(area.Add(kOwner, 1, StateIconHandle(tray::StateIcon::kYellow), "Ready"));
    const WId id = WaitEmbedded();
    ASSERT_NE(id, 0u);

    ASSERT_TRUE(area.Delete(kOwner, 1));
    EXPECT_EQ(area.TrayIcon(kOwner, 1), nullptr);
    EXPECT_TRUE(WaitFor([&] { return !Inspect(id).has_value(); })) << "the icon's window is still there";
    EXPECT_FALSE(area.Delete(kOwner, 1));

    // The same icon can be added again afterwards.
    ASSERT_TRUE(area.Add(kOwner, 1, StateIconHandle(tray::StateIcon::kGreen), "Ready"));
    EXPECT_NE(WaitEmbedded(), 0u);
}

// The program's own path: the record goes out through modSysTray, the user's clicks come back to the
// tray window's picture holder as window messages times 15.
class TrayClicks : public TrayHost {
  protected:
    void TearDown() override {
        modSysTray::DeleteTrayIcon(TheSysTray().Picture4(), modSysTray::nid);
        TheSysTray().Picture4().MouseMove = nullptr;
        WaitFor([] { return TrayIconWidget() == nullptr; });
    }
};

TEST_F(TrayClicks, ClicksArriveAsWindowMessages) {
    forms::PictureBox& holder = TheSysTray().Picture4();
    std::vector<float> received;
    holder.MouseMove = [&](int16_t, int16_t, float x, float) { received.push_back(x); };
    ASSERT_TRUE(modSysTray::AddTrayIcon(holder, "Ready", modSysTray::nid));
    const WId id = WaitEmbedded();
    ASSERT_NE(id, 0u);
    const std::optional<XWindow> w = Inspect(id);
    ASSERT_TRUE(w);

    const struct {
        const char* what;
        QStringList clickArgs;
        float x;  // the message times 15
    } clicks[] = {
        {"left click", {QStringLiteral("1")}, 513 * 15.0f},
        {"right click", {QStringLiteral("3")}, 516 * 15.0f},
        {"double click",
         {QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("--delay"), QStringLiteral("60"),
          QStringLiteral("1")},
         515 * 15.0f},
    };
    for (const auto& c : clicks) {
        SCOPED_TRACE(c.what);
        received.clear();
        ASSERT_TRUE(Click(w->absolute, c.clickArgs));
        EXPECT_TRUE(
            WaitFor([&] { return std::find(received.begin(), received.end(), c.x) != received.end(); }));
        for (const float x : received) {
            EXPECT_TRUE(x == c.x || (c.x == 515 * 15.0f && x == 513 * 15.0f)) << x;
        }
    }
}

// ---- Pictures for the screenshots folder

QString ScreenshotFolder() {
    const QString folder = qEnvironmentVariable("TN_SCREENSHOT_DIR");
    return folder.isEmpty() ? QStringLiteral(TN_SCREENSHOT_DIR) : folder;
}

TEST(Screenshots, StateIconsAsPng) {
    ASSERT_TRUE(tray::SaveStateIconPngs(ScreenshotFolder(), {16, 32})) << ScreenshotFolder().toStdString();
}

TEST_F(TrayHost, ScreenshotOfTheIconInTheTray) {
    ASSERT_TRUE(area.Add(kOwner, 1, StateIconHandle(tray::StateIcon::kGreen), "Ready"));
    const WId id = WaitEmbedded();
    ASSERT_NE(id, 0u);
    const std::optional<XWindow> w = Inspect(id);
    ASSERT_TRUE(w);
    ASSERT_TRUE(WaitFor([&] { return ScreenColourAt(w->absolute) == qRgb(0, 255, 0); }));

    // The corner of the screen where the tray sits, with the icon in it.
    const QRect corner = w->absolute.adjusted(-48, -8, 8, 8) & QGuiApplication::primaryScreen()->geometry();
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, corner.x(), corner.y(),
                                                                      corner.width(), corner.height());
    ASSERT_TRUE(QDir().mkpath(ScreenshotFolder()));
    EXPECT_TRUE(shot.save(QDir(ScreenshotFolder()).filePath(QStringLiteral("tray_in_trayer.png")), "PNG"));
}

}  // namespace
