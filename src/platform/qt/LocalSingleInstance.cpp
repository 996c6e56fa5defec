#include "platform/qt/LocalSingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cerrno>
#include <cstring>

#include "platform/x11/Display.h"

namespace platform {

namespace {

// A connection or a write to a listener whose queue is full waits at most this long.
constexpr int kWaitMs = 1000;
// How long a start waits for the one that holds the lock to answer: it listens right after locking.
constexpr int kStartWaitMs = 3000;
// Later starts taken at a time, and how long each may take to send its line.
constexpr size_t kMaxConnections = 4;
constexpr int kLineWaitMs = 2000;
// After running out of descriptors, the listener is watched again when a connection closes, or then.
constexpr int kResumeMs = 250;
// Connections that may wait, not yet taken, in the listener's queue.
constexpr int kListenBacklog = 30;
// How often a start looks again for the one that holds the lock to listen.
constexpr useconds_t kLookAgainUs = 20'000;
constexpr int kMsPerSecond = 1000;
// Permission bits: the socket and its lock are the user's alone, as is the folder made for them.
constexpr mode_t kOwnerOnlyFile = 0600;
constexpr mode_t kOwnerOnlyFolder = 0700;
constexpr mode_t kGroupAndOthers = 077;
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
    if (x11::OnWayland()) {
        key = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    } else {
        key = WithoutScreen(qEnvironmentVariable("DISPLAY"));
    }
    if (key.isEmpty()) key = QStringLiteral("session") + qEnvironmentVariable("XDG_SESSION_ID");
    return key.replace(QLatin1Char('/'), QLatin1Char('_'));
}

// Whether path is a folder of this user's that no one else may enter.
bool OwnFolder(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & kGroupAndOthers) == 0;
}

// $XDG_RUNTIME_DIR, else a folder of the program's own in the temporary folder, made for this user
// alone. Empty when neither is this user's alone.
QString SocketFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && OwnFolder(runtime)) return QFile::decodeName(runtime);
    const QByteArray own =
        QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + QCoreApplication::applicationName() +
                          QLatin1Char('-') + QString::number(::getuid()));
    if (::mkdir(own.constData(), kOwnerOnlyFolder) != 0 && errno != EEXIST) return {};
    return OwnFolder(own) ? QFile::decodeName(own) : QString();
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

// Whether the peer of a connected Unix socket runs as this user.
bool OwnUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

// The program runs all the same, without a socket: later starts will run too.
bool RunAlone(const char* why, int error = 0) {
    qWarning("TarnovelMon: %s%s%s; running without a socket for later starts", why, error != 0 ? ": " : "",
             error != 0 ? std::strerror(error) : "");
    return true;
}

}  // namespace

LocalSingleInstance::LocalSingleInstance() {
    resume_.setSingleShot(true);
    resume_.setInterval(kResumeMs);
    QObject::connect(&resume_, &QTimer::timeout, &resume_, [this] {
        if (accepting_ != nullptr) accepting_->setEnabled(true);
    });
}

LocalSingleInstance::~LocalSingleInstance() {
    for (const Connection& connection : connections_) ::close(connection.fd);
    if (accepting_ != nullptr) {
        const int listener = static_cast<int>(accepting_->socket());
        accepting_.reset();
        ::close(listener);
    }
    if (lock_ >= 0) ::close(lock_);
}

bool LocalSingleInstance::BecomeTheOne() {
    const QString folder = SocketFolder();
    if (folder.isEmpty())
        return RunAlone(
            "no folder of this user's own for the socket in $XDG_RUNTIME_DIR or the temporary folder");
    name_ = folder + QLatin1Char('/') + QCoreApplication::applicationName() + QLatin1Char('-') +
            SessionKey() + QStringLiteral(".socket");
    const int lock = ::open(QFile::encodeName(name_ + QStringLiteral(".lock")).constData(),
                            O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kOwnerOnlyFile);
    if (lock < 0) return RunAlone("cannot open the lock file", errno);
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (::flock(lock, LOCK_EX | LOCK_NB) == 0) {
            lock_ = lock;
            // Later starts will not find this one, but wait for it: still one monitor.
            if (!Listen()) qWarning("Cannot listen on %s: %s", qPrintable(name_), std::strerror(errno));
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ::close(lock);
            return RunAlone("cannot take the lock file", errno);
        }
        // The one that holds the lock runs, or is about to listen.
        const Answer answer = AskTheOne();
        if (answer != Answer::kNoListener || waited.elapsed() >= kStartWaitMs) {
            ::close(lock);
            if (answer == Answer::kStranger) return RunAlone("another user listens on the socket");
            if (answer == Answer::kNoListener) qWarning("TarnovelMon: the running one does not answer");
            return false;
        }
        ::usleep(kLookAgainUs);
    }
}

LocalSingleInstance::Answer LocalSingleInstance::AskTheOne() const {
    sockaddr_un address;
    if (!Address(name_, address)) return Answer::kNoListener;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return Answer::kNoListener;
    const timeval timeout{kWaitMs / kMsPerSecond, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    Answer answer = Answer::kNoListener;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        answer = OwnUser(fd) ? Answer::kHandedOver : Answer::kStranger;
    }
    if (answer == Answer::kHandedOver) {
        // The launcher's activation token, for the running one's window to be given the focus.
        const QByteArray line = qgetenv(kTokenVariable).left(kMaxLineBytes - 1) + '\n';
        if (::send(fd, line.constData(), static_cast<size_t>(line.size()), MSG_NOSIGNAL) != line.size())
            answer = Answer::kNoListener;
    }
    ::close(fd);
    return answer;
}

bool LocalSingleInstance::Listen() {
    sockaddr_un address;
    if (!Address(name_, address)) {
        errno = ENAMETOOLONG;
        return false;
    }
    // The lock is this one's: a socket there is a dead one's. Binding creates the name itself, with
    // the umask's mode, made 0600 before anyone can connect.
    ::unlink(address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(address.sun_path, kOwnerOnlyFile) != 0 || ::listen(fd, kListenBacklog) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    accepting_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(accepting_.get(), &QSocketNotifier::activated, accepting_.get(), [this] { Accept(); });
    return true;
}

void LocalSingleInstance::Accept() {
    const int listener = static_cast<int>(accepting_->socket());
    while (connections_.size() < kMaxConnections) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            // Out of descriptors, the listener stays readable and would wake this at once, again and
            // again: it is not watched for a while.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                accepting_->setEnabled(false);
                resume_.start();
            }
            return;  // none left to take
        }
        if (!OwnUser(fd)) {
            ::close(fd);
            continue;
        }
        connections_.push_back({fd,
                                {},
                                std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read),
                                std::make_unique<QTimer>()});
        const auto it = std::prev(connections_.end());
        QObject::connect(it->readable.get(), &QSocketNotifier::activated, it->readable.get(),
                         [this, it] { Read(it); });
        it->timeout->setSingleShot(true);
        QObject::connect(it->timeout.get(), &QTimer::timeout, it->timeout.get(), [this, it] { Drop(it); });
        it->timeout->start(kLineWaitMs);
    }
    // Later ones wait in the listener's queue until one of these is done with.
    accepting_->setEnabled(false);
}

void LocalSingleInstance::Read(std::list<Connection>::iterator connection) {
    QByteArray& line = connection->line;
    char chunk[512];
    ssize_t n = 0;
    while (line.size() <= kMaxLineBytes && (n = ::read(connection->fd, chunk, sizeof chunk)) > 0)
        line.append(chunk, n);
    const qsizetype newline = line.indexOf('\n');
    const bool more =
        newline < 0 && line.size() <= kMaxLineBytes && n < 0 && (errno == EAGAIN || errno == EINTR);
    if (more) return;
    const QByteArray token = line.left(newline).trimmed();
    Drop(connection);
    if (newline >= 0) Forward(token);
}

void LocalSingleInstance::Drop(std::list<Connection>::iterator connection) {
    // Called from the connection's own notifier or timer: they are deleted once back in the event loop.
    connection->readable->setEnabled(false);
    connection->timeout->stop();
    connection->readable.release()->deleteLater();
    connection->timeout.release()->deleteLater();
    ::close(connection->fd);
    connections_.erase(connection);
    resume_.stop();
    accepting_->setEnabled(true);
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
