// A one-shot timer on the program's event loop.
#pragma once

#include <QTimer>

#include "platform/Clock.h"

namespace platform {

class QtOneShotTimer final : public OneShotTimer {
  public:
    QtOneShotTimer();
    void Start(int32_t milliseconds, std::function<void()> due) override;
    void Stop() override { timer_.stop(); }
    bool Running() const override { return timer_.isActive(); }

  private:
    QTimer timer_;
    std::function<void()> due_;
};

}  // namespace platform
