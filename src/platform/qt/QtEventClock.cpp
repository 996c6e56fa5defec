#include "platform/qt/QtEventClock.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace platform {

QtEventClock::QtEventClock() {
    if (WakeDescriptor() >= 0) {
        wake_ = std::make_unique<QSocketNotifier>(WakeDescriptor(), QSocketNotifier::Read);
        QObject::connect(wake_.get(), &QSocketNotifier::activated, [this] { ClearWake(); });
    }
    fallback_.setSingleShot(true);
    fallback_.setTimerType(Qt::PreciseTimer);
}

QtEventClock::~QtEventClock() = default;

void QtEventClock::WaitForEvents(int32_t milliseconds) {
    if (milliseconds <= 0) return;
    if (wake_) {
        ArmWake(milliseconds);
    } else {
        fallback_.start(milliseconds);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (wake_) {
        ClearWake();
    } else {
        fallback_.stop();
    }
}

}  // namespace platform
