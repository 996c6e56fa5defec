// Desktop entry files (the freedesktop.org Desktop Entry Specification) as far as logon start needs
// them: writing an entry that runs one program, and reading back the command line of an entry.
#pragma once

#include <string>
#include <string_view>

namespace platform::desktop {

// Whether the text can stand as the program of an Exec key: valid UTF-8 without control characters
// other than tab, line feed and carriage return (those are written as escapes). NUL never can.
bool CanBeCommand(std::string_view text);

// The Exec value, as it stands in the file, that runs the program at path with no arguments: the path
// as one argument, in double quotes when it holds a reserved character (with '"', '`', '$' and '\'
// escaped by a backslash inside the quotes), '%' doubled, then the escapes of string values applied.
// Meant for texts that CanBeCommand accepts.
std::string ExecValueFor(std::string_view path);

// The command line of an Exec value as it stands in the file: string escapes undone, the arguments
// split at unquoted blanks, each unquoted and its "%%" read as '%', then joined by one blank. Exact
// for a value made by ExecValueFor: CommandText(ExecValueFor(p)) == p.
std::string CommandText(std::string_view execValue);

// The contents of a logon entry that runs the program at path. For an empty path, the same entry
// with an empty Exec and Hidden=true, which no session starts.
std::string AutostartEntry(std::string_view path);

// The keys of the "Desktop Entry" group that logon start looks at.
struct Entry {
    bool hasExec = false;
    std::string exec;  // the value as it stands in the file
    bool hidden = false;
};
Entry ParseEntry(std::string_view contents);

}  // namespace platform::desktop
