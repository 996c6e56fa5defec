#include "platform/NotificationAreaService.h"

#include "platform/qt/QtNotificationArea.h"

namespace platform {

namespace {

NotificationArea* gArea = nullptr;

}  // namespace

NotificationArea& CurrentNotificationArea() {
    if (gArea != nullptr) return *gArea;
    // Made on first use, once the application object exists, and never destroyed: tray icons cannot be
    // taken down after the application object is gone, so whatever is still shown at exit goes with the
    // process.
    static QtNotificationArea* const desktop = new QtNotificationArea;
    return *desktop;
}

void SetNotificationArea(NotificationArea* area) {
    gArea = area;
}

}  // namespace platform
