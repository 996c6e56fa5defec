#include "history/Csv.h"

#include <cstdio>
#include <ctime>
#include <string>

namespace history {

namespace {

std::string Field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

template <typename T>
std::string Optional(const std::optional<T>& v) {
    return v ? std::to_string(*v) : std::string();
}

}  // namespace

std::string IsoTimeUtc(int64_t ms) {
    const int64_t floorSeconds = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    const auto seconds = static_cast<std::time_t>(floorSeconds);
    std::tm utc{};
    if (gmtime_r(&seconds, &utc) == nullptr) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms - floorSeconds * 1000));
    return text;
}

std::optional<int64_t> LocalDateMs(const std::string& text) {
    if (text.size() != 10) return std::nullopt;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 4 || i == 7 ? text[i] != '-' : (text[i] < '0' || text[i] > '9')) return std::nullopt;
    }
    const int year = std::stoi(text.substr(0, 4)), month = std::stoi(text.substr(5, 2)),
              day = std::stoi(text.substr(8));
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    // mktime moves a 31st of April on to May: such a date is no date.
    if (t == -1 || local.tm_year != year - 1900 || local.tm_mon != month - 1 || local.tm_mday != day)
        return std::nullopt;
    return static_cast<int64_t>(t) * 1000;
}

std::string CsvHeader() {
    return "time,site,host,address,status,rtt_ms,lamp,shade\r\n";
}

std::string CsvRow(const common::Round& r) {
    return IsoTimeUtc(r.atMs) + ',' + std::to_string(r.site) + ',' + Field(r.host) + ',' + Field(r.address) +
           ',' + std::to_string(r.status) + ',' + Optional(r.rttMs) + ',' + std::to_string(r.lamp) + ',' +
           Optional(r.shade) + "\r\n";
}

}  // namespace history
