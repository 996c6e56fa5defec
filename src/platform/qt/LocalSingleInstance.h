// One program per user and desktop session over a local socket: the one that runs listens with a
// QLocalServer, a later start connects with a QLocalSocket, sends its activation token and ends.
// A socket rather than a well-known name on the session bus: it needs no bus (a bare X session has
// none, and a logon start may come before it), and a dead owner's socket is told at once by the
// refused connection, to be removed and taken over.
#pragma once

#include <QLocalServer>
#include <QString>

#include "platform/SingleInstance.h"

namespace platform {

class LocalSingleInstance final : public SingleInstance {
  public:
    LocalSingleInstance();
    bool BecomeTheOne() override;
    void SetForwardHandler(ForwardHandler handler) override { handler_ = std::move(handler); }

  private:
    bool AskTheOne();
    void Accept();

    // $XDG_RUNTIME_DIR/<application>-<display>.socket: per user, and per session by the display
    // shown on. Not by XDG_SESSION_ID, which a logon start run by the user's service manager lacks.
    QString name_;
    QLocalServer server_;
    ForwardHandler handler_;
};

}  // namespace platform
