// Automatic start at logon: one text value in the user's logon Run key, named after the application
// plus ".exe", holding the canonical path of the program's executable. Its state for one expected
// path is "ours" (exactly that path), "empty" (missing, or at most one character, as the emptied value
// reads back) or "foreign" (any other text). The value is never deleted, only emptied.
#pragma once

#include <string>
#include <utility>

#include "platform/Services.h"
#include "startup/modRegistryTools.h"

namespace modPingAuto {

// The logon Run key below HKEY_CURRENT_USER.
constexpr const char* kRunKey = platform::kRunKeyPath;

// What a change of the logon start left: whether the start is registered afterwards, and, when the
// request could not be carried out, the message for the user ("" when it was).
struct StartupChange {
    bool registered = false;
    std::string failure;
};

class LogonStart {
  public:
    LogonStart(modRegistryTools::RegistryTools& registry, platform::ProgramLocation location)
        : registry_(registry), location_(std::move(location)) {}

    // True when the Run value name + ".exe" holds the path of the file `name` in the program's folder.
    bool IsStartupSet(const std::string& name);

    // Registers (enable) or empties the Run value name + ".exe" for the program's own executable, by
    // its state: ours and off empties it, empty and on writes the path, foreign and on fails with
    // "Can't set automatic startup"; every other case changes nothing. A write that does not take, as
    // read back, fails with the same message. Nothing is shown here: the caller shows the failure.
    StartupChange SaveStartupRegistrySetting(bool enable, const std::string& name);

    // Reads the Run value valueName into value and answers whether it is ours, exePath. A foreign value
    // is read once more after making sure the Run key exists. An empty exePath is never ours.
    bool get_WindowsNT_startup(const std::string& exePath, const std::string& valueName, std::string& value);

  private:
    // A file in the program's folder; "" when the folder is not known.
    std::string ProgramFolderPath(const std::string& fileName) const;

    modRegistryTools::RegistryTools& registry_;
    platform::ProgramLocation location_;
};

// The canonical form of a path: its folder resolved to an absolute path without links, then "/" and
// the file name. The file itself need not exist; no file is created. "" when the folder cannot be
// resolved.
std::string GetShortName(const std::string& path);

}  // namespace modPingAuto
