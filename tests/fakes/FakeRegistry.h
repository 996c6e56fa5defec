// A per-user registry in memory: keys by exact path, values by exact name. It counts the handles it
// hands out and takes back, and can be told to fail its writes and its reads of the bytes.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/Registry.h"

namespace fakes {

class FakeRegistry : public platform::Registry {
  public:
    struct Value {
        uint32_t type = 0;
        std::string data;
    };
    std::map<std::string, std::map<std::string, Value>> keys;  // "" is the root itself

    // Non-zero: the status every call of that kind answers, without doing anything.
    int32_t setStatus = 0;
    int32_t queryDataStatus = 0;  // only reads that ask for the bytes

    FakeRegistry() { keys[""]; }

    size_t OpenKeyCount() const { return open_.size(); }

    int32_t CreateKey(platform::RegKey parent, const std::string& subKey, uint32_t,
                      platform::RegKey& key) override {
        return Open(parent, subKey, true, key);
    }
    int32_t OpenKey(platform::RegKey parent, const std::string& subKey, uint32_t,
                    platform::RegKey& key) override {
        return Open(parent, subKey, false, key);
    }

    int32_t SetValue(platform::RegKey key, const std::string& name, uint32_t type,
                     const std::string& data) override {
        if (setStatus != 0) return setStatus;
        const auto it = open_.find(key);
        if (it == open_.end()) return platform::kRegInvalidHandle;
        keys[it->second][name] = Value{type, data};
        return 0;
    }

    int32_t QueryValue(platform::RegKey key, const std::string& name, uint32_t* type,
                       std::string* data) override {
        if (data != nullptr && queryDataStatus != 0) return queryDataStatus;
        const auto it = open_.find(key);
        if (it == open_.end()) return platform::kRegInvalidHandle;
        const auto& values = keys[it->second];
        const auto value = values.find(name);
        if (value == values.end()) return platform::kRegFileNotFound;
        if (type != nullptr) *type = value->second.type;
        if (data != nullptr) *data = value->second.data;
        return 0;
    }

    int32_t CloseKey(platform::RegKey key) override {
        return open_.erase(key) == 1 ? 0 : platform::kRegInvalidHandle;
    }

  private:
    // Only the current user's keys exist; a new handle for each open.
    int32_t Open(platform::RegKey parent, const std::string& path, bool create, platform::RegKey& key) {
        if (parent != platform::kHKeyCurrentUser) return platform::kRegAccessDenied;
        if (!create && keys.count(path) == 0) return platform::kRegFileNotFound;
        keys[path];
        key = next_++;
        open_[key] = path;
        return 0;
    }

    std::map<platform::RegKey, std::string> open_;
    platform::RegKey next_ = 0x40;
};

}  // namespace fakes
