#include "cli/CommandLine.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include "history/Csv.h"
#include "platform/linux/FileReplace.h"

namespace cli {

namespace {

using Action = Request::Action;

Request Bad(std::string message) {
    Request r;
    r.action = Action::kBad;
    r.message = std::move(message);
    return r;
}

// The option's value: "--name=value", or the argument after it.
std::optional<std::string> Value(std::string_view arg, std::string_view name, int& i, int argc,
                                 const char* const* argv) {
    if (arg.size() > name.size() && arg[name.size()] == '=') return std::string(arg.substr(name.size() + 1));
    if (i + 1 < argc) return std::string(argv[++i]);
    return std::nullopt;
}

}  // namespace

Request Parse(int argc, const char* const* argv) {
    Request r;
    bool exporting = false;
    std::string stray;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto is = [&arg](std::string_view name) {
            return arg == name ||
                   (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=');
        };
        if (arg == "--help" || arg == "-h") return Request{Action::kHelp, {}, {}, {}};
        if (arg == "--version") return Request{Action::kVersion, {}, {}, {}};
        if (is("--export-history")) {
            const auto file = Value(arg, "--export-history", i, argc, argv);
            if (!file || file->empty())
                return Bad("--export-history needs a file name, or - for standard output");
            exporting = true;
            r.file = *file;
        } else if (is("--since")) {
            const auto date = Value(arg, "--since", i, argc, argv);
            r.sinceMs = date ? history::LocalDateMs(*date) : std::nullopt;
            if (!r.sinceMs)
                return Bad("--since needs a date as YYYY-MM-DD, not \"" + date.value_or("") + "\"");
        } else if (stray.empty()) {
            stray = arg;
        }
    }
    if (r.sinceMs && !exporting) return Bad("--since goes with --export-history");
    if (exporting && !stray.empty()) return Bad("unknown option for --export-history: " + stray);
    r.action = exporting ? Action::kExport : Action::kRun;
    return r;
}

std::string HelpText() {
    return "Usage: TarnovelMon [--export-history FILE [--since YYYY-MM-DD]] [--help] [--version]\n"
           "Watches the quality of the Internet connection from the notification area.\n"
           "\n"
           "  --export-history FILE  write the recorded rounds as CSV to FILE (- for standard output)\n"
           "                         and end, without a window\n"
           "  --since YYYY-MM-DD     only the rounds from that local date on\n"
           "  --help                 show this help and end\n"
           "  --version              show the version and end\n"
           "\n"
           "Other options are Qt's, such as -platform xcb or -platform wayland.\n";
}

int Export(platform::HistoryFile& history, const Request& request, std::FILE* out, std::FILE* err) {
    const platform::HistoryOpened opened = history.Open();
    std::string csv = history::CsvHeader();
    const bool toOut = request.file == "-";
    std::string why;
    bool written = true;
    if (!opened.problem.empty()) {
        std::fprintf(err, "TarnovelMon: the history could not be read: %s\n", opened.problem.c_str());
        return kExportFailed;
    }
    if (!history.Read(
            request.sinceMs.value_or(INT64_MIN),
            [&](const common::Round& r) {
                csv += history::CsvRow(r);
                if (toOut && csv.size() >= 1 << 16) {
                    written = written && std::fwrite(csv.data(), 1, csv.size(), out) == csv.size();
                    csv.clear();
                }
            },
            why)) {
        std::fprintf(err, "TarnovelMon: the history could not be read: %s\n", why.c_str());
        return kExportFailed;
    }
    if (toOut) {
        written =
            written && std::fwrite(csv.data(), 1, csv.size(), out) == csv.size() && std::fflush(out) == 0;
        if (written) return 0;
        std::fprintf(err, "TarnovelMon: the export could not be written: %s\n", std::strerror(errno));
        return kExportFailed;
    }
    if (const int error = platform::ReplaceFile(request.file, csv); error != 0) {
        std::fprintf(err, "TarnovelMon: %s: %s\n", request.file.c_str(), std::strerror(error));
        return kExportFailed;
    }
    return 0;
}

}  // namespace cli
