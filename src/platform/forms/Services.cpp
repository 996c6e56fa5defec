#include "platform/forms/Services.h"

#include <QCoreApplication>
#include <QGuiApplication>

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
bool CompositorPlacesWindows() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace App

}  // namespace forms
