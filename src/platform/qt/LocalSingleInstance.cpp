#include "platform/qt/LocalSingleInstance.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {

constexpr int kWaitMs = 1000;
// Far more than any activation token; a peer that sends more is not a start of this program.
constexpr qsizetype kMaxLineBytes = 4096;
const char kTokenVariable[] = "XDG_ACTIVATION_TOKEN";

// ":0.0" is ":0": the screen is dropped from an X display's name.
QString WithoutScreen(QString display) {
    const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
    const qsizetype dot = display.lastIndexOf(QLatin1Char('.'));
    const auto digits = [&](qsizetype from, qsizetype to) {
        if (from >= to) return false;
        for (qsizetype i = from; i < to; ++i) {
            if (!display.at(i).isDigit()) return false;
        }
        return true;
    };
    if (colon >= 0 && dot > colon && digits(colon + 1, dot) && digits(dot + 1, display.size())) {
        display.truncate(dot);
    }
    return display;
}

// The display the program shows on: the Wayland display's name, or the X display without its screen;
// where neither is known, the login session.
QString SessionKey() {
    QString key;
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        key = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    } else {
        key = WithoutScreen(qEnvironmentVariable("DISPLAY"));
    }
    if (key.isEmpty()) key = QStringLiteral("session") + qEnvironmentVariable("XDG_SESSION_ID");
    return key.replace(QLatin1Char('/'), QLatin1Char('_'));
}

QString ServerName() {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString user;
    if (folder.isEmpty()) {
        // The shared temporary folder: the user's id in the name.
        folder = QDir::tempPath();
        user = QString::number(getuid()) + QLatin1Char('-');
    }
    return folder + QLatin1Char('/') + QCoreApplication::applicationName() + QLatin1Char('-') + user +
           SessionKey() + QStringLiteral(".socket");
}

// The socket's address; false when the path does not fit in one.
bool Address(const QString& name, sockaddr_un& address) {
    const QByteArray path = QFile::encodeName(name);
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<size_t>(path.size()) >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    return true;
}

}  // namespace

LocalSingleInstance::LocalSingleInstance() : name_(ServerName()) {}

LocalSingleInstance::~LocalSingleInstance() {
    if (accepting_ == nullptr) return;
    for (auto* connection : accepting_->findChildren<QSocketNotifier*>()) {
        if (connection->isEnabled()) close(static_cast<int>(connection->socket()));
    }
    const int listener = static_cast<int>(accepting_->socket());
    accepting_.reset();
    close(listener);
}

bool LocalSingleInstance::BecomeTheOne() {
    // A second try when another start took the name between the refused connection and the listen.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (AskTheOne()) return false;
        if (Listen()) return true;
    }
    // The program runs all the same; only later starts will not find it.
    qWarning("Cannot listen on %s: %s", qPrintable(name_), std::strerror(errno));
    return true;
}

bool LocalSingleInstance::AskTheOne() const {
    sockaddr_un address;
    if (!Address(name_, address)) return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    // Connecting to a listener whose queue is full waits, at most this long; so does the write.
    const timeval timeout{kWaitMs / 1000, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    bool asked = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (asked) {
        // The launcher's activation token, for the running one's window to be given the focus.
        const QByteArray line = qgetenv(kTokenVariable).left(kMaxLineBytes - 1) + '\n';
        asked = send(fd, line.constData(), static_cast<size_t>(line.size()), MSG_NOSIGNAL) == line.size();
    }
    close(fd);
    return asked;
}

bool LocalSingleInstance::Listen() {
    sockaddr_un address;
    if (!Address(name_, address)) {
        errno = ENAMETOOLONG;
        return false;
    }
    // No one listens: the socket, if there is one, is a dead program's. Binding creates the name itself.
    QFile::remove(name_);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(fd, 30) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return false;
    }
    accepting_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(accepting_.get(), &QSocketNotifier::activated, accepting_.get(), [this] { Accept(); });
    return true;
}

void LocalSingleInstance::Accept() {
    const int listener = static_cast<int>(accepting_->socket());
    for (;;) {
        const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;  // none left to take, or taken at the next notification
        auto* connection = new QSocketNotifier(fd, QSocketNotifier::Read, accepting_.get());
        auto line = std::make_shared<QByteArray>();
        QObject::connect(connection, &QSocketNotifier::activated, connection,
                         [this, connection, line] { Read(*connection, *line); });
    }
}

void LocalSingleInstance::Read(QSocketNotifier& connection, QByteArray& line) {
    const int fd = static_cast<int>(connection.socket());
    char chunk[512];
    ssize_t n = 0;
    while (line.size() <= kMaxLineBytes && (n = read(fd, chunk, sizeof chunk)) > 0) line.append(chunk, n);
    const qsizetype newline = line.indexOf('\n');
    const bool more =
        newline < 0 && line.size() <= kMaxLineBytes && n < 0 && (errno == EAGAIN || errno == EINTR);
    if (more) return;
    connection.setEnabled(false);
    close(fd);
    connection.deleteLater();
    if (newline >= 0) Forward(line.left(newline).trimmed());
}

void LocalSingleInstance::Forward(const QByteArray& token) {
    // Qt's Wayland activation of a window takes the token from the environment, once. With no token,
    // none of an earlier launch is left to be refused.
    if (token.isEmpty()) {
        qunsetenv(kTokenVariable);
    } else {
        qputenv(kTokenVariable, token);
    }
    if (handler_) handler_();
}

}  // namespace platform
