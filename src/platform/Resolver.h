// The system's host-name resolver, IPv4 only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Ipv4Address.h"

namespace platform {

class Resolver {
  public:
    virtual ~Resolver() = default;
    // Looks a host name up. nullopt when the look-up found nothing; otherwise the entry's IPv4
    // addresses in the resolver's order (possibly none).
    virtual std::optional<std::vector<Ipv4Address>> LookupByName(const std::string& name) = 0;
};

}  // namespace platform
