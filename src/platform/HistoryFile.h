// The file of recorded rounds: opened once, appended to in batches, read from a time on, and its old
// rows deleted a batch at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "common/Round.h"

namespace platform {

enum class HistoryWrite {
    kDone,
    kBusy,    // another program holds the write lock: nothing was written, try again later
    kFailed,  // the file cannot take it (a full disk, a folder that cannot be written): `why` says
};

struct HistoryOpened {
    bool writable = false;
    bool onlyRead = false;  // open, but written by a later version: read, never written
    std::string problem;    // why it cannot be written, when it cannot
    std::string notice;     // something the user is told once (a damaged file put aside)
};

class HistoryFile {
  public:
    virtual ~HistoryFile() = default;
    // Opens the file, making it and its folder when absent; may be called again after a failure.
    virtual HistoryOpened Open() = 0;
    // Writes the rounds in one transaction, all or none.
    virtual HistoryWrite Append(std::span<const common::Round> rounds, std::string& why) = 0;
    // Deletes one batch of rounds sent before `atMs`; `more` tells whether any are left.
    virtual HistoryWrite DeleteBefore(int64_t atMs, bool& more, std::string& why) = 0;
    // Each round sent at or after `fromMs`, oldest first; false with `why` when it cannot be read. A
    // read may run on another thread while the file is written, and reads a file that cannot be.
    virtual bool Read(int64_t fromMs, const std::function<void(const common::Round&)>& each,
                      std::string& why) const = 0;
};

}  // namespace platform
