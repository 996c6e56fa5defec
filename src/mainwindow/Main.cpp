// The program's entry, and the ways the system ends it: the end of the desktop session, and the
// signals a task manager or `kill` sends.
#include <fcntl.h>
#include <unistd.h>

#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

#include "mainwindow/modPingAuto.h"
#include "platform/SingleInstance.h"
#include "platform/forms/Services.h"

namespace modPingAuto {

namespace {

int gSignalPipe[2] = {-1, -1};

// A line of the program's log (standard error).
void LogLine(const std::string& line) {
    qWarning("%s", line.c_str());
}

extern "C" void OnTerminationSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

// The session manager's "die" comes as a Quit event sent to the application object; the program
// itself never quits the event loop, so any Quit is the end of the session.
class SessionEndFilter : public QObject {
  public:
    SessionEndFilter(Program& program, QObject* parent) : QObject(parent), program_(program) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::Quit) program_.EndOnRequest(forms::kAppWindows);
        return QObject::eventFilter(watched, event);
    }

  private:
    Program& program_;
};

}  // namespace

Program::Program(const platform::Services& services, const forms::WindowServices& windows)
    : end_(services.end),
      single_(services.single),
      probe_(services.echo, services.resolver),
      recorder_(services.history, services.historyRetry, LogLine),
      notifier_(services.notifications, services.clock, LogLine),
      registry_(services.registry),
      logon_(registry_, services.location),
      tray_(services.notificationArea, windows),
      window_(services, windows, probe_, tray_, logon_, {recorder_, notifier_, rounds_}) {
    // A notice's actions: the default one does what the tray icon's left press does.
    notifier_.SetActions({[this] {
                              if (window_.IsLoaded()) window_.RestoreFromTray();
                          },
                          [this] { window_.ShowHistory(); }});
}

void Program::Main() {
    if (!single_.BecomeTheOne()) {
        end_.EndProgram();
        return;
    }
    recorder_.Open();
    // A later start's request: what a left press on the tray icon does.
    single_.SetForwardHandler([this] {
        if (window_.IsLoaded()) window_.RestoreFromTray();
    });
    frmPing& window = window_;
    window.bAutoStart = logon_.IsStartupSet(forms::App::Title().toStdString());
    if (window.bAutoStart) {
        window.Load();
        if (!window.IsLoaded()) return;
        // Hidden in the tray; minimised instead where no notification area holds the icon.
        window.HideToTray();
        notifier_.StartedAtLogon();
        window.cmdStart_Click();
    } else {
        window.ShowForm();
    }
}

void Program::EndOnRequest(int16_t unloadMode) {
    if (window_.IsLoaded()) window_.Unload(unloadMode);
    // The unload sequence has ended the process; a window that never loaded ends here.
    end_.EndProgram();
}

void InstallTerminationHandlers() {
    if (gSignalPipe[0] >= 0) return;
    if (pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

void WatchTerminationRequests(Program& program) {
    if (gSignalPipe[0] >= 0) {
        auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, qApp);
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [&program] {
            char byte = 0;
            int16_t mode = 0;
            while (read(gSignalPipe[0], &byte, 1) == 1) {
                mode = std::max<int16_t>(mode, byte == SIGHUP ? forms::kAppWindows : forms::kAppTaskManager);
            }
            if (mode != 0) program.EndOnRequest(mode);
        });
    }
    // A session manager asks for the session's data on every save, not only at its end: the settings
    // are saved and the program goes on. The end of the session comes as the manager's die, or as a
    // signal.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp,
                     [&program](QSessionManager&) { program.SaveForSession(); });
    qApp->installEventFilter(new SessionEndFilter(program, qApp));
}

}  // namespace modPingAuto
