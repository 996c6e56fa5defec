#include "platform/qt/QtOneShotTimer.h"

namespace platform {

QtOneShotTimer::QtOneShotTimer() {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        // The callback may start the timer again.
        if (auto due = std::exchange(due_, nullptr)) due();
    });
}

void QtOneShotTimer::Start(int32_t milliseconds, std::function<void()> due) {
    due_ = std::move(due);
    timer_.start(milliseconds);
}

}  // namespace platform
