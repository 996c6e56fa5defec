// The per-user registry on Linux. Only HKEY_CURRENT_USER exists. Its logon Run key
// ("Software\Microsoft\Windows\CurrentVersion\Run") is the user's XDG autostart folder: a text value
// named N there is the desktop entry "N.desktop", whose Exec runs the value's text. Every other key,
// and values of other types, live in a store file of our own. Key paths and value names compare
// without regard to ASCII case, except that a Run value's name is the entry's file name as given.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <string>

#include "platform/Registry.h"

namespace platform {

class LinuxRegistry final : public Registry {
  public:
    static constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

    int32_t CreateKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& key) override;
    int32_t OpenKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& key) override;
    int32_t SetValue(RegKey key, const std::string& name, uint32_t type, const std::string& data) override;
    int32_t QueryValue(RegKey key, const std::string& name, uint32_t* type, std::string* data) override;
    int32_t CloseKey(RegKey key) override;

    // Handles opened and not yet closed.
    size_t OpenKeyCount() const;

    // Where things are kept, looked up afresh on every call: $XDG_CONFIG_HOME when it is an absolute
    // path, else ~/.config; "" when neither the variable nor a home folder is known.
    static std::string ConfigHome();
    static std::string AutostartFolder();  // <config home>/autostart
    static std::string StoreFile();        // <config home>/TarnovelMon/registry.ini

  private:
    struct Handle {
        std::string path;  // the key path below HKEY_CURRENT_USER, as first given
        uint32_t access;
    };

    int32_t Resolve(RegKey parent, const std::string& subKey, std::string& path,
                    uint32_t& parentAccess) const;
    int32_t Open(RegKey parent, const std::string& subKey, uint32_t access, bool create, RegKey& key);
    bool Lookup(RegKey key, Handle& handle) const;

    mutable std::mutex mutex_;
    std::map<RegKey, Handle> open_;
    RegKey next_ = 0x100;
};

}  // namespace platform
