#include "platform/linux/DesktopEntry.h"

#include <cstdint>
#include <vector>

namespace platform::desktop {

namespace {

// Characters that make an Exec argument need quoting, besides control characters.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
// Characters escaped by a backslash inside a quoted argument.
constexpr std::string_view kQuoteEscaped = "\"`$\\";

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not a well-formed one (overlong
// forms, surrogates and code points past U+10FFFF included).
size_t Utf8SequenceLength(std::string_view text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    size_t length = 0;
    uint32_t cp = 0;
    uint32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

std::string EscapeString(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 8);
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            // A leading blank would be taken for space around the '='.
            case ' ':
                out += i == 0 ? "\\s" : " ";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string UnescapeString(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[i + 1];
            const char* replacement = nullptr;
            switch (next) {
                case 's':
                    replacement = " ";
                    break;
                case 'n':
                    replacement = "\n";
                    break;
                case 't':
                    replacement = "\t";
                    break;
                case 'r':
                    replacement = "\r";
                    break;
                case '\\':
                    replacement = "\\";
                    break;
                default:
                    break;
            }
            if (replacement != nullptr) {
                out += replacement;
                ++i;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

bool NeedsQuotes(std::string_view argument) {
    if (argument.empty()) return true;
    for (const char c : argument) {
        if (kReserved.find(c) != std::string_view::npos || IsControl(static_cast<unsigned char>(c)))
            return true;
    }
    return false;
}

std::string UndoDoubledPercent(std::string_view argument) {
    std::string out;
    out.reserve(argument.size());
    for (size_t i = 0; i < argument.size(); ++i) {
        out += argument[i];
        if (argument[i] == '%' && i + 1 < argument.size() && argument[i + 1] == '%') ++i;
    }
    return out;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

bool CanBeCommand(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsControl(c) && c != '\t' && c != '\n' && c != '\r') return false;
        const size_t length = Utf8SequenceLength(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string ExecValueFor(std::string_view path) {
    std::string argument;
    const bool quoted = NeedsQuotes(path);
    if (quoted) argument += '"';
    for (const char c : path) {
        if (c == '%') {
            argument += "%%";
            continue;
        }
        if (quoted && kQuoteEscaped.find(c) != std::string_view::npos) argument += '\\';
        argument += c;
    }
    if (quoted) argument += '"';
    return EscapeString(argument);
}

std::string CommandText(std::string_view execValue) {
    const std::string line = UnescapeString(execValue);
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inArgument) arguments.push_back(UndoDoubledPercent(current));
            current.clear();
            inArgument = false;
            ++i;
            continue;
        }
        inArgument = true;
        if (c != '"') {
            current += c;
            ++i;
            continue;
        }
        // A quoted part runs to the next unescaped quote, or to the end of a value that never closes it.
        ++i;
        while (i < line.size() && line[i] != '"') {
            if (line[i] == '\\' && i + 1 < line.size() &&
                kQuoteEscaped.find(line[i + 1]) != std::string_view::npos) {
                ++i;
            }
            current += line[i];
            ++i;
        }
        if (i < line.size()) ++i;
    }
    if (inArgument) arguments.push_back(UndoDoubledPercent(current));

    std::string text;
    for (size_t k = 0; k < arguments.size(); ++k) {
        if (k > 0) text += ' ';
        text += arguments[k];
    }
    return text;
}

std::string AutostartEntry(std::string_view path) {
    std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Tarnovel Monitor\n"
        "Icon=tarnovelmon\n";
    entry += "Exec=" + (path.empty() ? std::string() : ExecValueFor(path)) + "\n";
    entry +=
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n"
        // Sessions start their logon entries beside the panel: these ask for the tray to be up first.
        "X-GNOME-Autostart-Delay=5\n"
        "X-KDE-autostart-after=panel\n"
        "X-LXQt-Need-Tray=true\n";
    if (path.empty()) entry += "Hidden=true\n";
    return entry;
}

Entry ParseEntry(std::string_view contents) {
    Entry entry;
    bool inGroup = false;
    size_t start = 0;
    while (start < contents.size()) {
        size_t end = contents.find('\n', start);
        if (end == std::string_view::npos) end = contents.size();
        std::string_view line = contents.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = TrimLeft(line);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            inGroup = close != std::string_view::npos && line.substr(1, close - 1) == "Desktop Entry";
            continue;
        }
        if (!inGroup) continue;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = TrimRight(line.substr(0, eq));
        const std::string_view value = TrimLeft(line.substr(eq + 1));
        // A key given twice counts with its last value, as the common readers take it.
        if (key == "Exec") {
            entry.hasExec = true;
            entry.exec = std::string(value);
        } else if (key == "Hidden") {
            entry.hidden = value == "true" || value == "1";
        }
    }
    return entry;
}

}  // namespace platform::desktop
