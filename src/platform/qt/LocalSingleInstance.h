// One program per user and desktop session over a local socket: the one that runs listens on a Unix
// stream socket, a later start connects, sends its activation token as one line and ends.
// A socket rather than a well-known name on the session bus: it needs no bus (a bare X session has
// none, and a logon start may come before it), and a dead owner's socket is told at once by the
// refused connection, to be removed and taken over.
// Plain sockets rather than QLocalServer: Qt Network brings Kerberos, libproxy and their kin into every
// start, 1.7 MB of resident memory and a dozen libraries to load before the window shows, for one line
// read once in a while. The socket and its line are what QLocalSocket uses and sends on Linux.
#pragma once

#include <QByteArray>
#include <QSocketNotifier>
#include <QString>
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
    bool AskTheOne() const;
    bool Listen();
    void Accept();
    // A later start's line, read as it comes; the connection ends at the line, at its end, or when
    // more comes than any token needs.
    void Read(QSocketNotifier& connection, QByteArray& line);
    void Forward(const QByteArray& token);

    // $XDG_RUNTIME_DIR/<application>-<display>.socket: per user, and per session by the display
    // shown on. Not by XDG_SESSION_ID, which a logon start run by the user's service manager lacks.
    QString name_;
    std::unique_ptr<QSocketNotifier> accepting_;  // on the listening socket, once listening
    ForwardHandler handler_;
};

}  // namespace platform
