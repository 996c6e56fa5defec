#include "platform/forms/Services.h"

#include <QCoreApplication>

namespace forms {

void DoEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Objects released with deleteLater at this level of the call stack: the event loop frees them
    // only when control returns below it, which a monitor loop running before (or inside) exec never
    // does.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

namespace App {

QString Title() {
    return QStringLiteral("TarnovelMon");
}

}  // namespace App

}  // namespace forms
