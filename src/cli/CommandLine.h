// The program's own options, read before any display is opened: --help and --version print and end,
// --export-history writes the round history as CSV and ends, without a window and without asking a
// running monitor for anything. Other arguments are left to Qt (-platform, -session, ...).
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/HistoryFile.h"

namespace cli {

// Exit statuses: a bad option or date, and an export that could not be made.
constexpr int kBadUsage = 2;
constexpr int kExportFailed = 1;

struct Request {
    enum class Action { kRun, kHelp, kVersion, kExport, kBad };
    Action action = Action::kRun;
    std::string file;  // where the export goes; "-" for standard output
    std::optional<int64_t> sinceMs;
    std::string message;  // what is wrong, for kBad
};

Request Parse(int argc, const char* const* argv);
std::string HelpText();

// Writes every round recorded since the request's date (all, without one) to its file or to `out`.
// 0, or kExportFailed with a line on `err`.
int Export(platform::HistoryFile& history, const Request& request, std::FILE* out, std::FILE* err);

}  // namespace cli
