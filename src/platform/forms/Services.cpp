#include "platform/forms/Services.h"

#include <QCoreApplication>

namespace forms {

void DoEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

namespace App {

QString Title() {
    return QStringLiteral("TarnovelMon");
}
QString Path() {
    return QCoreApplication::applicationDirPath();
}

}  // namespace App

}  // namespace forms
