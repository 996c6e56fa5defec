// The per-user registry on a freedesktop.org desktop. Only HKEY_CURRENT_USER exists. Its logon Run key
// ("Software\Microsoft\Windows\CurrentVersion\Run") is the user's autostart folder: a text value named
// N there is the desktop entry "N.desktop", whose Exec runs the value's text. Every other key, and
// values of other types, live in a store file of our own, <config>/TarnovelMon/registry.ini. Key paths
// and value names compare without regard to ASCII case, except that a Run value's name is the entry's
// file name as given.
#pragma once

#include <map>
#include <string>

#include "platform/Registry.h"

namespace platform {

class XdgRegistry final : public Registry {
  public:
    int32_t CreateKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& key) override;
    int32_t OpenKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& key) override;
    int32_t SetValue(RegKey key, const std::string& name, uint32_t type, const std::string& data) override;
    int32_t QueryValue(RegKey key, const std::string& name, uint32_t* type, std::string* data) override;
    int32_t CloseKey(RegKey key) override;

  private:
    struct Handle {
        std::string path;  // below HKEY_CURRENT_USER, as first given
        uint32_t access;
    };
    int32_t Open(RegKey parent, const std::string& subKey, uint32_t access, bool create, RegKey& key);
    const Handle* Find(RegKey key) const;

    std::map<RegKey, Handle> open_;
    // Handles are numbered from here, well clear of 0 and of the roots; a wrap past the roots starts over.
    static constexpr RegKey kFirstHandle = 0x100;
    RegKey next_ = kFirstHandle;
};

}  // namespace platform
