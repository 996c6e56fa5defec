// The notification area the program talks to: the desktop's, unless a test put another in its place.
#pragma once

#include "platform/NotificationArea.h"

namespace platform {

NotificationArea& CurrentNotificationArea();
// Puts the area in place of the desktop's; nullptr restores the desktop's. The caller keeps ownership.
void SetNotificationArea(NotificationArea* area);

}  // namespace platform
