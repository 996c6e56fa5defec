// Registry access in three small operations, each opening a key, doing one thing and closing the key
// again (create a key, write one value, read one value), over two routines that write or read one
// value by its type. Failures are never shown: the operations answer false and hand a line to the
// error log, which goes to the debug log, and the debug log keeps nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <variant>

#include "platform/Registry.h"

namespace modRegistryTools {

constexpr platform::RegKey HKEY_CURRENT_USER = platform::kHKeyCurrentUser;
constexpr uint32_t REG_SZ = platform::kRegSz;
constexpr uint32_t REG_DWORD = platform::kRegDword;
constexpr uint32_t kKeyAccess = platform::kKeyAllRights;

// A value on its way to or from the registry: a text or a 32-bit integer.
using Variant = std::variant<std::string, int32_t>;

// The text without the NULs at its end; a text that is empty or all NULs is returned unchanged, so
// the emptied value (one NUL) reads as a one-character text.
std::string TrimNulls(const std::string& text);

// The operations over the registry they are handed.
class RegistryTools {
  public:
    explicit RegistryTools(platform::Registry& registry,
                           std::function<void(const std::string&)> debugLog = {})
        : registry_(registry), debugLog_(std::move(debugLog)) {}

    // Creates the key keyPath below root, or opens it when it exists, and closes it again. False, with
    // error 901 logged, when it can be neither created nor opened.
    bool CreateNewKey(const std::string& keyPath, platform::RegKey root);

    // Writes the value valueName of the key keyPath below root, as valueType. False, with error 902
    // logged, when the key cannot be opened or the value cannot be written.
    bool SetKeyValue(const std::string& keyPath, platform::RegKey root, const std::string& valueName,
                     const std::string& value, uint32_t valueType);

    // Reads the value valueName of the key keyPath below root into value, without its trailing NULs
    // (TrimNulls). A value that does not exist reads as success and leaves value as it was, trimmed.
    // False, with error 904 logged and value untouched when the key cannot be opened; false with error
    // 905 when the value cannot be read, value then as the read left it (empty after a failed text read).
    bool QueryValue(const std::string& keyPath, platform::RegKey root, const std::string& valueName,
                    std::string& value);

    // Writes one value to an open key. REG_SZ: the text (an integer as its decimal text) with one NUL
    // appended. REG_DWORD: the integer (a text must be a decimal number, rounded half to even, within 32
    // bits; otherwise nothing is written and the status is 13) as 4 bytes, least significant first.
    // Any other type: nothing is written and the status is 0.
    int32_t SetValueEx(platform::RegKey key, const std::string& valueName, uint32_t valueType,
                       const Variant& value);

    // Reads one value from an open key into value. A value that cannot be found answers 0 and leaves value
    // as it was. REG_SZ: value becomes the text as stored, with its NUL (empty when the read fails).
    // REG_DWORD: value becomes the integer, or its decimal text when value holds a text. Other types: -1,
    // value untouched.
    int32_t QueryValueEx(platform::RegKey key, const std::string& valueName, Variant& value);

    // Builds one line from its arguments and hands it to DebugLog.
    void logerror(int16_t level, const std::string& message, int32_t errorNumber,
                  const std::string& moduleName, const std::string& routineName, int16_t errorId);

    // The debug log: keeps nothing; the sink a test hands in sees each line.
    void DebugLog(const std::string& text);

  private:
    void LogFailure(const std::string& routine, int16_t id, const std::string& message);
    platform::Registry& registry_;
    std::function<void(const std::string&)> debugLog_;
};

}  // namespace modRegistryTools
