// Whole-file reads and writes for small per-user files, where a write either replaces the file with
// its new contents or leaves the old file as it was.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace platform {

// Creates the folder and any missing folders above it, each with mode. A folder that exists is left
// as it is. Returns 0, or the errno value of the step that failed (ENOTDIR where a file stands in the
// way).
int MakeFolders(const std::string& path, mode_t mode);

// Replaces the file at path by contents: they are written to a new file beside it, flushed to the disk
// and renamed over path, and the folder is flushed. On failure the old file is untouched, the new file
// is removed, and the errno value of the step that failed is returned; 0 on success.
int WriteFileAtomically(const std::string& path, const std::string& contents, mode_t mode);

// Reads the whole file at path into contents. Returns 0, the errno value of the step that failed, or
// EFBIG for a file longer than maxBytes (contents then untouched).
int ReadWholeFile(const std::string& path, std::string& contents, size_t maxBytes);

}  // namespace platform
