// Settings in an INI file per user and application: $XDG_CONFIG_HOME/<application>/<application>.ini
// (~/.config when the variable is not set), written atomically.
#pragma once

#include <QSettings>
#include <map>
#include <memory>

#include "platform/SettingsStore.h"

namespace platform {

class QtSettingsStore final : public SettingsStore {
  public:
    std::string Read(const std::string& application, const std::string& section, const std::string& key,
                     const std::string& defaultValue) override;
    void Write(const std::string& application, const std::string& section, const std::string& key,
               const std::string& value) override;
    bool Flush() override;

  private:
    QSettings& For(const std::string& application);
    std::map<std::string, std::unique_ptr<QSettings>> files_;
};

}  // namespace platform
