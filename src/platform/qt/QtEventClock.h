// The tick counter of Linux with a wait that sleeps in Qt's event loop until an event arrives or a
// boot-time timer runs out, so that a waiting program wakes only when something happens.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "platform/linux/LinuxClock.h"

namespace platform {

class QtEventClock final : public LinuxClock {
  public:
    // Made after the application object, on the thread whose events it waits for.
    QtEventClock();
    ~QtEventClock() override;

    void WaitForEvents(int32_t milliseconds) override;

  private:
    // Wakes the event loop once the boot-time timer has run out, also when it ran out during a
    // suspend; without a timer descriptor, a precise Qt timer on the monotonic clock does.
    std::unique_ptr<QSocketNotifier> wake_;
    QTimer fallback_;
};

}  // namespace platform
