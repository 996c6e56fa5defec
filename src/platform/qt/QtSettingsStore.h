// Settings in an INI file per user and application: $XDG_CONFIG_HOME/<application>/<application>.ini
// (~/.config when the variable is not set), read by QSettings and replaced whole when written.
#pragma once

#include <QString>
#include <map>

#include "platform/SettingsStore.h"

namespace platform {

class QtSettingsStore final : public SettingsStore {
  public:
    std::string Read(const std::string& application, const std::string& section, const std::string& key,
                     const std::string& defaultValue) override;
    void Write(const std::string& application, const std::string& section, const std::string& key,
               const std::string& value) override;
    // A file that fails to be written says so on standard error.
    bool Flush() override;

  private:
    struct File {
        QString path;
        bool readable = true;  // false: a file exists that could not be read, and is not written over
        bool changed = false;
        std::map<QString, QString> values;  // by QSettings' key, "section/key"
    };
    File& For(const std::string& application);
    std::map<std::string, File> files_;
};

// The text of an INI file that QSettings reads back as exactly these text values.
QByteArray IniText(const std::map<QString, QString>& values);

}  // namespace platform
