#include "startup/modRegistryTools.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

namespace modRegistryTools {

namespace {

constexpr const char* kModule = "modRegistryTools";
constexpr int16_t kLevel = 1;
// The wrappers raise no run-time errors of their own, so the number they log is always "none".
constexpr int32_t kNoRunTimeError = 0;

// A decimal number within 32 bits, rounded half to even; false for anything else.
bool TextToInt32(const std::string& text, int32_t& result) {
    size_t first = text.find_first_not_of(" \t");
    size_t last = text.find_last_not_of(" \t");
    if (first == std::string::npos) return false;
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    if (*begin == '+') ++begin;
    double number = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, number);
    if (ec != std::errc() || ptr != end || !std::isfinite(number)) return false;
    const double rounded = std::nearbyint(number);
    if (rounded < std::numeric_limits<int32_t>::min() || rounded > std::numeric_limits<int32_t>::max())
        return false;
    result = static_cast<int32_t>(rounded);
    return true;
}

std::string AsText(const Variant& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    return std::to_string(std::get<int32_t>(value));
}

}  // namespace

void RegistryTools::LogFailure(const std::string& routine, int16_t id, const std::string& message) {
    logerror(kLevel, message, kNoRunTimeError, kModule, routine, id);
}

bool RegistryTools::CreateNewKey(const std::string& keyPath, platform::RegKey root) {
    platform::Registry& registry = registry_;
    platform::RegKey key = 0;
    if (registry.CreateKey(root, keyPath, kKeyAccess, key) != platform::kRegSuccess) {
        LogFailure("CreateNewKey", 901, "Error CreateKey: " + keyPath);
        return false;
    }
    registry.CloseKey(key);
    return true;
}

bool RegistryTools::SetKeyValue(const std::string& keyPath, platform::RegKey root,
                                const std::string& valueName, const std::string& value, uint32_t valueType) {
    platform::Registry& registry = registry_;
    platform::RegKey key = 0;
    if (registry.OpenKey(root, keyPath, kKeyAccess, key) != platform::kRegSuccess) {
        LogFailure("SetKeyvalue", 902, "Error Opening key: " + keyPath);
        return false;
    }
    const int32_t status = SetValueEx(key, valueName, valueType, Variant(value));
    if (status != platform::kRegSuccess)
        LogFailure("SetKeyValue", 902, "Error Setting value of key: " + keyPath);
    registry.CloseKey(key);
    return status == platform::kRegSuccess;
}

bool RegistryTools::QueryValue(const std::string& keyPath, platform::RegKey root,
                               const std::string& valueName, std::string& value) {
    platform::Registry& registry = registry_;
    platform::RegKey key = 0;
    if (registry.OpenKey(root, keyPath, kKeyAccess, key) != platform::kRegSuccess) {
        LogFailure("QueryValue", 904, "Error Opening Key: " + keyPath);
        return false;
    }
    Variant read(value);
    const int32_t status = QueryValueEx(key, valueName, read);
    // The value is read in place: a text read that fails has emptied it.
    if (status != platform::kRegSuccess) {
        value = AsText(read);
        LogFailure("QueryValue", 905,
                   "Error querying value of key: " + keyPath + " Name:_" + valueName + "_");
        registry.CloseKey(key);
        return false;
    }
    value = TrimNulls(AsText(read));
    registry.CloseKey(key);
    return true;
}

int32_t RegistryTools::SetValueEx(platform::RegKey key, const std::string& valueName, uint32_t valueType,
                                  const Variant& value) {
    platform::Registry& registry = registry_;
    if (valueType == REG_SZ) {
        std::string data = AsText(value);
        data.push_back('\0');
        return registry.SetValue(key, valueName, REG_SZ, data);
    }
    if (valueType == REG_DWORD) {
        int32_t number = 0;
        if (const auto* text = std::get_if<std::string>(&value)) {
            if (!TextToInt32(*text, number)) return platform::kRegInvalidData;
        } else {
            number = std::get<int32_t>(value);
        }
        const auto bits = static_cast<uint32_t>(number);
        std::string data(4, '\0');
        for (int i = 0; i < 4; ++i)
            data[static_cast<size_t>(i)] = static_cast<char>((bits >> (8 * i)) & 0xFF);
        return registry.SetValue(key, valueName, REG_DWORD, data);
    }
    return platform::kRegSuccess;
}

int32_t RegistryTools::QueryValueEx(platform::RegKey key, const std::string& valueName, Variant& value) {
    platform::Registry& registry = registry_;
    uint32_t type = platform::kRegNone;
    if (registry.QueryValue(key, valueName, &type, nullptr) != platform::kRegSuccess) {
        DebugLog("QueryValueEx: no value " + valueName);
        return platform::kRegSuccess;
    }
    if (type == REG_SZ) {
        std::string data;
        uint32_t readType = type;
        const int32_t status = registry.QueryValue(key, valueName, &readType, &data);
        value = status == platform::kRegSuccess ? std::move(data) : std::string();
        return status;
    }
    if (type == REG_DWORD) {
        std::string data;
        uint32_t readType = type;
        const int32_t status = registry.QueryValue(key, valueName, &readType, &data);
        if (status != platform::kRegSuccess) return status;
        if (data.size() > 4) return platform::kRegMoreData;
        uint32_t bits = 0;
        for (size_t i = 0; i < data.size(); ++i)
            bits |= static_cast<uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
        const auto number = static_cast<int32_t>(bits);
        if (std::holds_alternative<std::string>(value)) {
            value = std::to_string(number);
        } else {
            value = number;
        }
        return status;
    }
    return -1;
}

std::string TrimNulls(const std::string& text) {
    size_t position = text.size();
    while (position >= 1 && text[position - 1] == '\0') --position;
    if (position >= 1) return text.substr(0, position);
    return text;
}

void RegistryTools::logerror(int16_t level, const std::string& message, int32_t errorNumber,
                             const std::string& moduleName, const std::string& routineName, int16_t errorId) {
    DebugLog(moduleName + "." + routineName + ": error " + std::to_string(errorId) + " (level " +
             std::to_string(level) + ", run-time error " + std::to_string(errorNumber) + "): " + message);
}

void RegistryTools::DebugLog(const std::string& text) {
    if (debugLog_) debugLog_(text);
}

}  // namespace modRegistryTools
