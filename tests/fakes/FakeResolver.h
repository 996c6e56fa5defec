// In-memory resolver: a table of names, and a record of every name looked up.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Resolver.h"

namespace fakes {

class FakeResolver : public platform::Resolver {
  public:
    std::map<std::string, std::vector<platform::Ipv4Address>> hosts;
    std::vector<std::string> lookups;

    std::optional<std::vector<platform::Ipv4Address>> LookupByName(const std::string& name) override {
        lookups.push_back(name);
        const auto it = hosts.find(name);
        return it == hosts.end() ? std::nullopt : std::optional(it->second);
    }
};

}  // namespace fakes
