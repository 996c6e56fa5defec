#include "platform/forms/Services.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "common/TimeOfDay.h"

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
QString EXEName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

}  // namespace App

QString TimeText() {
    return QString::fromStdString(common::TimeOfDayNow());
}

}  // namespace forms
