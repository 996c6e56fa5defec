// Replacing a small stored file whole: the new contents go to a file of their own beside it, are
// flushed to the disk, and only then take the old file's name. Free of Qt.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Replaces the file at path by one holding exactly contents, or leaves the old file byte for byte as
// it was and no other file behind. A file that existed keeps its permissions; a new one is made 0666
// less the umask. 0 when replaced, or the errno of the step that failed.
int ReplaceFile(const std::string& path, std::string_view contents);

}  // namespace platform
