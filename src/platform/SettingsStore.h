// The per-user application settings: text values addressed by application, section and key.
#pragma once

#include <string>

namespace platform {

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The stored text, or `defaultValue` when the key is absent. Nothing is written.
    virtual std::string Read(const std::string& application, const std::string& section,
                             const std::string& key, const std::string& defaultValue) = 0;
    // Stores the text, creating the key when absent. It reaches the disk at the latest on Flush.
    virtual void Write(const std::string& application, const std::string& section, const std::string& key,
                       const std::string& value) = 0;
    // Writes what is pending, whole or not at all; false when it could not be written (the stored
    // file is then as it was).
    virtual bool Flush() = 0;
};

}  // namespace platform
