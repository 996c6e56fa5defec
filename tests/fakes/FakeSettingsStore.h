// Settings in memory: what is stored, and every write in order.
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/SettingsStore.h"

namespace fakes {

class FakeSettingsStore : public platform::SettingsStore {
  public:
    std::map<std::string, std::string> values;  // "section/key" of the one application
    std::vector<std::string> writes;            // keys, in the order written
    std::vector<std::string> reads;
    bool flushFails = false;
    int flushes = 0;

    std::string Read(const std::string&, const std::string& section, const std::string& key,
                     const std::string& defaultValue) override {
        reads.push_back(key);
        const auto it = values.find(section + "/" + key);
        return it == values.end() ? defaultValue : it->second;
    }
    void Write(const std::string&, const std::string& section, const std::string& key,
               const std::string& value) override {
        writes.push_back(key);
        values[section + "/" + key] = value;
    }
    bool Flush() override {
        ++flushes;
        return !flushFails;
    }
};

class ScopedSettingsStore {
  public:
    explicit ScopedSettingsStore(FakeSettingsStore& s) { platform::SetSettingsStore(&s); }
    ~ScopedSettingsStore() { platform::SetSettingsStore(nullptr); }
};

}  // namespace fakes
