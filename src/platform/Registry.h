// The per-user registry: keys named by paths of backslash-separated names, each holding typed values
// of raw bytes. Keys are reached through handles that are opened, used and closed again; every call
// answers a status, 0 for success.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The logon Run key below HKEY_CURRENT_USER.
constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A key handle: one of the predefined roots, or a key opened by CreateKey or OpenKey.
using RegKey = uint32_t;

constexpr RegKey kHKeyClassesRoot = 0x80000000;
constexpr RegKey kHKeyCurrentUser = 0x80000001;
constexpr RegKey kHKeyLocalMachine = 0x80000002;
constexpr RegKey kHKeyUsers = 0x80000003;
constexpr RegKey kHKeyCurrentConfig = 0x80000005;
// The range reserved for predefined roots, whether or not this registry knows the root.
constexpr bool IsPredefinedRoot(RegKey key) {
    return key >= kHKeyClassesRoot && key <= kHKeyClassesRoot + 0x0F;
}

// Access rights asked for when a key is opened.
constexpr uint32_t kKeyQueryValue = 0x01;
constexpr uint32_t kKeySetValue = 0x02;
constexpr uint32_t kKeyCreateSubKey = 0x04;
constexpr uint32_t kKeyEnumerateSubKeys = 0x08;
constexpr uint32_t kKeyNotify = 0x10;
constexpr uint32_t kKeyCreateLink = 0x20;
// All of the above: what this program asks for, and what the current user's root grants.
constexpr uint32_t kKeyAllRights =
    kKeyQueryValue | kKeySetValue | kKeyCreateSubKey | kKeyEnumerateSubKeys | kKeyNotify | kKeyCreateLink;

// Value types.
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;  // text, normally with one terminating NUL
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;  // a 32-bit integer, 4 bytes, least significant first

// Status codes.
constexpr int32_t kRegSuccess = 0;
constexpr int32_t kRegFileNotFound = 2;       // no such key or value
constexpr int32_t kRegAccessDenied = 5;       // the root, the handle's rights or the file system refused
constexpr int32_t kRegInvalidHandle = 6;      // not an open key nor a known root
constexpr int32_t kRegInvalidData = 13;       // the data cannot be stored in that place
constexpr int32_t kRegInvalidParameter = 87;  // a malformed key path or value name
constexpr int32_t kRegMoreData = 234;         // the value is larger than the reader's buffer
constexpr int32_t kRegBadDb = 1009;           // the store cannot be read as a store
constexpr int32_t kRegCantRead = 1012;
constexpr int32_t kRegCantWrite = 1013;
constexpr int32_t kRegKeyDeleted = 1018;  // the open key was removed by someone else

class Registry {
  public:
    virtual ~Registry() = default;

    // Opens the key subKey below parent (a root or an open key), creating it and any missing keys on the
    // way when it does not exist. An empty subKey opens parent itself. On success key is a new handle.
    virtual int32_t CreateKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& key) = 0;
    // As CreateKey, but a key that does not exist is not created: kRegFileNotFound.
    virtual int32_t OpenKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& key) = 0;
    // Writes the value named name (empty: the key's default value), replacing any value of that name.
    virtual int32_t SetValue(RegKey key, const std::string& name, uint32_t type, const std::string& data) = 0;
    // Reads the value named name: its type and, where data is given, its bytes. A value that does not
    // exist answers kRegFileNotFound and leaves both untouched.
    virtual int32_t QueryValue(RegKey key, const std::string& name, uint32_t* type, std::string* data) = 0;
    // Closes an open key. Roots need no closing.
    virtual int32_t CloseKey(RegKey key) = 0;
};

}  // namespace platform
