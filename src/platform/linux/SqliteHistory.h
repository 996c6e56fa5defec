// The round history in an SQLite 3 file, `history.sqlite` in a folder of the user's own. It is reached
// through SQLite's C API rather than Qt SQL: the recorder and the command-line export run without Qt's
// application object or its plugins, the file's locking (a wait of at most 100 ms for another program's
// write lock) and its pragmas are set directly, and the statements are prepared once.
//
// The file is made 0600 in a folder made 0700 (SQLite gives its journal files the file's own mode),
// opened without following a symbolic link, checked at open (a damaged file is put aside and a new one
// begun), kept in WAL mode with synchronous=NORMAL, and only read when a later version wrote it.
#pragma once

#include <ctime>
#include <string>

#include "platform/HistoryFile.h"

struct sqlite3;
struct sqlite3_stmt;

namespace platform {

class SqliteHistory : public HistoryFile {
  public:
    static constexpr int kVersion = 1;
    // At most this long a write waits for another program's write lock.
    static constexpr int kBusyWaitMs = 100;
    // Rounds deleted in one transaction.
    static constexpr int kDeleteBatch = 1000;
    static constexpr const char* kFileName = "history.sqlite";

    // Recording makes the folder and file when absent and puts a damaged file aside; reading touches
    // nothing (another program's export, beside a running monitor).
    enum class Access { kRecord, kRead };
    // `now` names a damaged file put aside.
    explicit SqliteHistory(std::string folder, Access access = Access::kRecord,
                           std::time_t (*now)(std::time_t*) = std::time);
    ~SqliteHistory() override;
    SqliteHistory(const SqliteHistory&) = delete;
    SqliteHistory& operator=(const SqliteHistory&) = delete;

    const std::string& Path() const { return path_; }
    HistoryOpened Open() override;
    HistoryWrite Append(std::span<const common::Round> rounds, std::string& why) override;
    HistoryWrite DeleteBefore(int64_t atMs, bool& more, std::string& why) override;
    bool Read(int64_t fromMs, const std::function<void(const common::Round&)>& each,
              std::string& why) const override;

  private:
    void Close();
    // Opens the file as it is: 1 a sound database, 0 one that is damaged or no database, -1 a failure
    // to open at all (`why` says).
    int OpenExisting(std::string& why);
    // Renames the file and its journals to history.sqlite.corrupt-<local time>; the new name.
    std::string PutAside();
    HistoryOpened Prepare(int version);
    HistoryOpened OpenToRead();
    bool Exec(const char* sql, std::string& why);

    std::string folder_;
    std::string path_;
    Access access_;
    std::time_t (*now_)(std::time_t*);
    sqlite3* db_ = nullptr;
    // Prepared only once the file may be written.
    sqlite3_stmt* insert_ = nullptr;
};

}  // namespace platform
