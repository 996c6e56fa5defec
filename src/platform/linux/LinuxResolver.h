// Host-name look-ups through the system resolver (getaddrinfo, IPv4): /etc/hosts, DNS and whatever
// else the name service switch is set up to ask.
#pragma once

#include "platform/Resolver.h"

namespace platform {

class LinuxResolver final : public Resolver {
  public:
    std::optional<std::vector<Ipv4Address>> LookupByName(const std::string& name) override;
};

}  // namespace platform
