// The rounds as CSV (RFC 4180): a header row, then one row per round, each line ended by CR LF, a field
// quoted when it holds a comma, a quote or a line break. Times are ISO 8601 in UTC with milliseconds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/Round.h"

namespace history {

// "2026-12-09T04:10:47.123Z"
std::string IsoTimeUtc(int64_t ms);
// Milliseconds since 1970 of a local midnight given as "YYYY-MM-DD", if the text is one.
std::optional<int64_t> LocalDateMs(const std::string& text);

std::string CsvHeader();
std::string CsvRow(const common::Round& r);

}  // namespace history
