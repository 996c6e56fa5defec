// One program per user and desktop session over a local socket: the one that runs listens on a Unix
// stream socket, a later start connects, sends its activation token as one line and ends.
// A socket rather than a well-known name on the session bus: it needs no bus (a bare X session has
// none, and a logon start may come before it), and a dead owner's socket is told at once by the
// refused connection, to be removed and taken over.
// Plain sockets rather than QLocalServer: Qt Network brings Kerberos, libproxy and their kin into every
// start, 1.7 MB of resident memory and a dozen libraries to load before the window shows, for one line
// read once in a while. The socket and its line are what QLocalSocket uses and sends on Linux.
// The one that runs holds an flock on a lock file beside the socket for as long as it runs: the kernel
// lets go of it however the process ends, so a start that gets it knows that no one else runs, and
// only it may remove a socket left behind. Both ends talk only to a peer of their own user.
#pragma once

#include <QByteArray>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <list>
#include <memory>

#include "platform/SingleInstance.h"

namespace platform {

class LocalSingleInstance final : public SingleInstance {
  public:
    LocalSingleInstance();
    ~LocalSingleInstance() override;
    LocalSingleInstance(const LocalSingleInstance&) = delete;
    LocalSingleInstance& operator=(const LocalSingleInstance&) = delete;
    bool BecomeTheOne() override;
    void SetForwardHandler(ForwardHandler handler) override { handler_ = std::move(handler); }

  private:
    // A later start's connection, until its line, its end, 4 KB without a line, or 2 s.
    struct Connection {
        int fd;
        QByteArray line;
        std::unique_ptr<QSocketNotifier> readable;
        std::unique_ptr<QTimer> timeout;
    };
    enum class Answer { kHandedOver, kNoListener, kStranger };
    Answer AskTheOne() const;
    bool Listen();
    void Accept();
    // Reads what came; the line, once whole, is forwarded.
    void Read(std::list<Connection>::iterator connection);
    void Drop(std::list<Connection>::iterator connection);
    void Forward(const QByteArray& token);

    // <folder>/<application>-<display>.socket: per user by its folder, and per session by the display
    // shown on. Not by XDG_SESSION_ID, which a logon start run by the user's service manager lacks.
    QString name_;
    int lock_ = -1;                               // held while this one runs
    std::unique_ptr<QSocketNotifier> accepting_;  // on the listening socket, once listening
    std::list<Connection> connections_;
    QTimer resume_;  // watches the listener again after the process ran out of descriptors
    ForwardHandler handler_;
};

}  // namespace platform
