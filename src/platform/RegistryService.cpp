#include "platform/Registry.h"

#include "platform/linux/LinuxRegistry.h"

namespace platform {

namespace {

Registry* gRegistry = nullptr;

}  // namespace

Registry& CurrentRegistry() {
    if (gRegistry != nullptr) return *gRegistry;
    static LinuxRegistry system;
    return system;
}

void SetRegistry(Registry* registry) {
    gRegistry = registry;
}

}  // namespace platform
