#include "platform/linux/SqliteHistory.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace platform {

namespace {

constexpr mode_t kOwnerOnlyFolder = 0700;
constexpr mode_t kOwnerOnlyFile = 0600;

constexpr const char* kSchema =
    "CREATE TABLE rounds(at_ms INTEGER NOT NULL, site INTEGER NOT NULL, host TEXT NOT NULL,"
    " address TEXT NOT NULL, status INTEGER NOT NULL, rtt_ms INTEGER, lamp INTEGER NOT NULL,"
    " shade INTEGER);"
    "CREATE INDEX rounds_at_ms ON rounds(at_ms);";

// Makes the folder and any parent that is missing, each for the user alone; a folder of the user's
// that others may enter is closed to them.
bool MakeFolder(const std::string& folder, std::string& why) {
    for (size_t at = folder.find('/', 1);; at = folder.find('/', at + 1)) {
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), kOwnerOnlyFolder) != 0 && errno != EEXIST) {
            why = part + ": " + std::strerror(errno);
            return false;
        }
        if (at == std::string::npos) break;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        why = folder + ": not a folder";
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        why = folder + ": the folder belongs to another user";
        return false;
    }
    if ((st.st_mode & 0777) != kOwnerOnlyFolder) ::chmod(folder.c_str(), kOwnerOnlyFolder);
    return true;
}

// A new file for the user alone; one that is there is left as it is.
bool MakeFile(const std::string& path, std::string& why) {
    const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, kOwnerOnlyFile);
    if (fd >= 0) ::close(fd);
    if (fd >= 0 || errno == EEXIST) return true;
    why = path + ": " + std::strerror(errno);
    return false;
}

std::string Text(sqlite3_stmt* s, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(s, column))) : std::string();
}

std::optional<int64_t> Integer(sqlite3_stmt* s, int column) {
    if (sqlite3_column_type(s, column) != SQLITE_INTEGER) return std::nullopt;
    return sqlite3_column_int64(s, column);
}

// A row as another program may have written it: out-of-range values are not taken for ours.
std::optional<common::Round> RoundOf(sqlite3_stmt* s) {
    common::Round r;
    const auto at = Integer(s, 0), site = Integer(s, 1), status = Integer(s, 4), lamp = Integer(s, 6);
    if (!at || !site || !status || !lamp || *site < 0 || *site > 1 || *lamp < 0 || *lamp > 2)
        return std::nullopt;
    if (*status < INT32_MIN || *status > INT32_MAX) return std::nullopt;
    r.atMs = *at;
    r.site = static_cast<uint8_t>(*site);
    r.host = Text(s, 2);
    r.address = Text(s, 3);
    r.status = static_cast<int32_t>(*status);
    r.lamp = static_cast<uint8_t>(*lamp);
    if (const auto rtt = Integer(s, 5); rtt && *rtt >= 0 && *rtt <= INT32_MAX)
        r.rttMs = static_cast<int32_t>(*rtt);
    if (const auto shade = Integer(s, 7); shade && *shade >= 0 && *shade <= 4)
        r.shade = static_cast<uint8_t>(*shade);
    return r;
}

HistoryWrite Failed(sqlite3* db, std::string& why) {
    const int code = sqlite3_errcode(db) & 0xff;
    why = sqlite3_errmsg(db);
    return code == SQLITE_BUSY || code == SQLITE_LOCKED ? HistoryWrite::kBusy : HistoryWrite::kFailed;
}

}  // namespace

SqliteHistory::SqliteHistory(std::string folder, Access access, std::time_t (*now)(std::time_t*))
    : folder_(std::move(folder)), path_(folder_ + "/" + kFileName), access_(access), now_(now) {}

SqliteHistory::~SqliteHistory() {
    Close();
}

void SqliteHistory::Close() {
    sqlite3_finalize(insert_);
    insert_ = nullptr;
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool SqliteHistory::Exec(const char* sql, std::string& why) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    why = sqlite3_errmsg(db_);
    return false;
}

int SqliteHistory::OpenExisting(std::string& why) {
    Close();
    if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr) !=
        SQLITE_OK) {
        why = db_ ? sqlite3_errmsg(db_) : "out of memory";
        Close();
        return -1;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyWaitMs);
    sqlite3_stmt* check = nullptr;
    const int prepared = sqlite3_prepare_v2(db_, "PRAGMA quick_check", -1, &check, nullptr);
    const int stepped = prepared == SQLITE_OK ? sqlite3_step(check) : prepared;
    const bool sound = stepped == SQLITE_ROW && Text(check, 0) == "ok";
    sqlite3_finalize(check);
    if (sound) return 1;
    // A check that found faults answers with rows of them; a file that is no database fails at once.
    const int code = stepped & 0xff;
    if (code == SQLITE_ROW || code == SQLITE_NOTADB || code == SQLITE_CORRUPT) return 0;
    why = sqlite3_errmsg(db_);
    Close();
    return -1;
}

std::string SqliteHistory::PutAside() {
    Close();
    char stamp[32];
    const std::time_t t = now_(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string aside = path_ + ".corrupt-" + stamp;
    for (int n = 2; ::access(aside.c_str(), F_OK) == 0; ++n)
        aside = path_ + ".corrupt-" + stamp + "-" + std::to_string(n);
    // The journals go with it: left behind, they would be played into the new file.
    for (const char* suffix : {"-wal", "-shm"}) ::rename((path_ + suffix).c_str(), (aside + suffix).c_str());
    ::rename(path_.c_str(), aside.c_str());
    return aside;
}

HistoryOpened SqliteHistory::OpenToRead() {
    Close();
    HistoryOpened opened;
    opened.onlyRead = true;
    // Only a look: each read opens a connection of its own.
    if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW, nullptr) !=
            SQLITE_OK &&
        (::access(path_.c_str(), F_OK) == 0 || errno != ENOENT))
        opened.problem = db_ ? sqlite3_errmsg(db_) : "out of memory";
    Close();
    return opened;
}

HistoryOpened SqliteHistory::Open() {
    if (access_ == Access::kRead) return OpenToRead();
    HistoryOpened opened;
    if (!MakeFolder(folder_, opened.problem) || !MakeFile(path_, opened.problem)) return opened;
    int sound = OpenExisting(opened.problem);
    if (sound == 0) {
        const std::string aside = PutAside();
        opened.notice = "The history file was damaged; it was put aside as " +
                        aside.substr(aside.rfind('/') + 1) + " and a new one begun.";
        if (!MakeFile(path_, opened.problem)) return opened;
        sound = OpenExisting(opened.problem);
    }
    if (sound != 1) {
        if (opened.problem.empty()) opened.problem = "the new file could not be checked";
        return opened;
    }
    sqlite3_stmt* s = nullptr;
    int version = -1;
    if (sqlite3_prepare_v2(db_, "PRAGMA user_version", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
        version = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
    HistoryOpened prepared = Prepare(version);
    prepared.notice = opened.notice;
    return prepared;
}

HistoryOpened SqliteHistory::Prepare(int version) {
    HistoryOpened opened;
    if (version > kVersion) {
        opened.onlyRead = true;
        opened.problem = "the file was written by a later version of TarnovelMon; it is only read";
        return opened;
    }
    // SQLite opens a file it may not write for reading only.
    if (sqlite3_db_readonly(db_, "main") == 1) {
        opened.problem = path_ + ": the file cannot be written";
        return opened;
    }
    if (version < 0 || !Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", opened.problem)) {
        if (opened.problem.empty()) opened.problem = sqlite3_errmsg(db_);
        return opened;
    }
    if (version == 0) {
        const std::string create =
            std::string("BEGIN IMMEDIATE;") + kSchema + "PRAGMA user_version = 1; COMMIT;";
        if (!Exec(create.c_str(), opened.problem)) {
            Exec("ROLLBACK", opened.problem);
            opened.problem = sqlite3_errmsg(db_);
            return opened;
        }
    }
    if (sqlite3_prepare_v3(db_, "INSERT INTO rounds VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)", -1,
                           SQLITE_PREPARE_PERSISTENT, &insert_, nullptr) != SQLITE_OK) {
        opened.problem = sqlite3_errmsg(db_);
        return opened;
    }
    opened.writable = true;
    return opened;
}

HistoryWrite SqliteHistory::Append(std::span<const common::Round> rounds, std::string& why) {
    if (insert_ == nullptr) {
        why = "the file is not open for writing";
        return HistoryWrite::kFailed;
    }
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return Failed(db_, why);
    for (const common::Round& r : rounds) {
        sqlite3_bind_int64(insert_, 1, r.atMs);
        sqlite3_bind_int(insert_, 2, r.site);
        sqlite3_bind_text(insert_, 3, r.host.data(), static_cast<int>(r.host.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert_, 4, r.address.data(), static_cast<int>(r.address.size()), SQLITE_STATIC);
        sqlite3_bind_int(insert_, 5, r.status);
        r.rttMs ? sqlite3_bind_int(insert_, 6, *r.rttMs) : sqlite3_bind_null(insert_, 6);
        sqlite3_bind_int(insert_, 7, r.lamp);
        r.shade ? sqlite3_bind_int(insert_, 8, *r.shade) : sqlite3_bind_null(insert_, 8);
        const int rc = sqlite3_step(insert_);
        sqlite3_reset(insert_);
        if (rc != SQLITE_DONE) {
            const HistoryWrite failed = Failed(db_, why);
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            return failed;
        }
    }
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return HistoryWrite::kDone;
    const HistoryWrite failed = Failed(db_, why);
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return failed;
}

HistoryWrite SqliteHistory::DeleteBefore(int64_t atMs, bool& more, std::string& why) {
    more = false;
    if (insert_ == nullptr) {
        why = "the file is not open for writing";
        return HistoryWrite::kFailed;
    }
    sqlite3_stmt* s = nullptr;
    const char* sql =
        "DELETE FROM rounds WHERE rowid IN (SELECT rowid FROM rounds WHERE at_ms < ?1 ORDER BY at_ms LIMIT "
        "?2)";
    if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK) return Failed(db_, why);
    sqlite3_bind_int64(s, 1, atMs);
    sqlite3_bind_int(s, 2, kDeleteBatch);
    const int rc = sqlite3_step(s);
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) return Failed(db_, why);
    more = sqlite3_changes(db_) == kDeleteBatch;
    return HistoryWrite::kDone;
}

bool SqliteHistory::Read(int64_t fromMs, const std::function<void(const common::Round&)>& each,
                         std::string& why) const {
    // A connection of the read's own, so that it may run on another thread beside the writer's, sees
    // one snapshot of the file, and reads what is there even when the file cannot be written.
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        // Nothing recorded yet is an empty history.
        const bool none = ::access(path_.c_str(), F_OK) != 0 && errno == ENOENT;
        if (!none) why = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close_v2(db);
        return none;
    }
    sqlite3_busy_timeout(db, kBusyWaitMs);
    // A read goes through the file once: a small page cache keeps the reader's memory small.
    sqlite3_exec(db, "PRAGMA cache_size = -256", nullptr, nullptr, nullptr);
    sqlite3_stmt* s = nullptr;
    const char* sql =
        "SELECT at_ms, site, host, address, status, rtt_ms, lamp, shade FROM rounds WHERE at_ms >= ?1"
        " ORDER BY at_ms, rowid";
    int rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_int64(s, 1, fromMs);
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            if (const auto round = RoundOf(s)) each(*round);
        }
    }
    if (rc != SQLITE_DONE) why = sqlite3_errmsg(db);
    sqlite3_finalize(s);
    sqlite3_close_v2(db);
    return rc == SQLITE_DONE;
}

}  // namespace platform
