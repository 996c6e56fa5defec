#include "platform/qt/LocalSingleInstance.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QRegularExpression>

namespace platform {

namespace {

constexpr int kWaitMs = 1000;
const char kTokenVariable[] = "XDG_ACTIVATION_TOKEN";

// The display the program shows on: the Wayland display's name, or the X display without its screen
// (":0.0" is ":0"); where neither is known, the login session.
QString SessionKey() {
    QString key;
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        key = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    } else {
        key = qEnvironmentVariable("DISPLAY");
        key.replace(QRegularExpression(QStringLiteral("(:\\d+)\\.\\d+$")), QStringLiteral("\\1"));
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

}  // namespace

LocalSingleInstance::LocalSingleInstance() : name_(ServerName()) {
    QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] { Accept(); });
}

bool LocalSingleInstance::BecomeTheOne() {
    // A second try when another start took the name between the refused connection and the listen.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (AskTheOne()) return false;
        // No one listens: the socket, if there is one, is a dead program's. Listening binds the name
        // itself (no access options, which would bind elsewhere and rename over it).
        QLocalServer::removeServer(name_);
        if (server_.listen(name_)) return true;
    }
    // The program runs all the same; only later starts will not find it.
    qWarning("Cannot listen on %s: %s", qPrintable(name_), qPrintable(server_.errorString()));
    return true;
}

bool LocalSingleInstance::AskTheOne() {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kWaitMs)) return false;
    // The launcher's activation token, for the running one's window to be given the focus.
    socket.write(qgetenv(kTokenVariable) + '\n');
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kWaitMs);
    return true;
}

void LocalSingleInstance::Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (!socket->canReadLine()) return;
            const QByteArray token = socket->readLine().trimmed();
            socket->disconnectFromServer();
            // Qt's Wayland activation of a window takes the token from the environment, once. With
            // no token, none of an earlier launch is left to be refused.
            if (token.isEmpty()) {
                qunsetenv(kTokenVariable);
            } else {
                qputenv(kTokenVariable, token);
            }
            if (handler_) handler_();
        });
    }
}

}  // namespace platform
