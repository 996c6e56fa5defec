#include "startup/LogonStart.h"

#include <climits>
#include <cstdlib>

#include "startup/modRegistryTools.h"

namespace modPingAuto {

std::string LogonStart::ProgramFolderPath(const std::string& fileName) const {
    return location_.folder.empty() ? "" : location_.folder + "/" + fileName;
}

std::string GetShortName(const std::string& path) {
    if (path.empty()) return "";
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    char* resolved = ::realpath(folder.c_str(), nullptr);
    if (resolved == nullptr) return "";
    std::string result(resolved);
    std::free(resolved);
    if (result.back() != '/') result += '/';
    return result + fileName;
}

bool LogonStart::get_WindowsNT_startup(const std::string& exePath, const std::string& valueName,
                                       std::string& value) {
    bool retried = false;
    for (;;) {
        const bool read =
            registry_.QueryValue(kRunKey, modRegistryTools::HKEY_CURRENT_USER, valueName, value);
        // With no path to compare, a missing value would compare equal: nothing can be ours then.
        if (read && !exePath.empty() && value == exePath) return true;
        if (value.size() <= 1) return false;
        registry_.DebugLog("get_WindowsNT_startup: try creating the Run key");
        if (!registry_.CreateNewKey(kRunKey, modRegistryTools::HKEY_CURRENT_USER) || retried) return false;
        retried = true;
    }
}

bool LogonStart::IsStartupSet(const std::string& name) {
    const std::string shortName = GetShortName(ProgramFolderPath(name));
    std::string value;
    return get_WindowsNT_startup(shortName, name + ".exe", value);
}

StartupChange LogonStart::SaveStartupRegistrySetting(bool enable, const std::string& name) {
    const std::string shortName = GetShortName(ProgramFolderPath(location_.exeName));
    registry_.DebugLog("Executable string for run (8.3): " + shortName);
    const std::string valueName = name + ".exe";
    std::string value;
    const bool ours = get_WindowsNT_startup(shortName, valueName, value);
    // Nothing to change; a foreign value is not this program's to clear; without a path there is
    // nothing to register, and writing "" would only record "off" again.
    if (ours == enable || (value.size() <= 1 && shortName.empty())) return {ours, ""};
    if (ours || value.size() <= 1) {
        registry_.SetKeyValue(kRunKey, modRegistryTools::HKEY_CURRENT_USER, valueName, ours ? "" : shortName,
                              modRegistryTools::REG_SZ);
        // What the write did, read back: a value it could not write is as it was.
        std::string written;
        if (get_WindowsNT_startup(shortName, valueName, written) == enable) return {enable, ""};
    }
    return {!enable, "Can't set automatic startup"};
}

}  // namespace modPingAuto
