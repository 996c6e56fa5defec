// The history file on real disks: its modes and schema as the sqlite3 program reads them, a damaged
// file, a later version's, a write lock held by the sqlite3 program, a full disk and a read-only one
// (small tmpfs mounts) and kill -9 during writes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/linux/SqliteHistory.h"

namespace {

namespace fs = std::filesystem;
using platform::HistoryWrite;
using platform::SqliteHistory;

std::string Shell(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
    pclose(p);
    return out;
}

common::Round At(int64_t ms, std::string host = "example.test") {
    return {ms, 1, std::move(host), "192.0.2.7", 0, 12, 0, 3};
}

std::vector<common::Round> ReadAll(SqliteHistory& h, int64_t from = INT64_MIN) {
    std::vector<common::Round> rows;
    std::string why;
    const auto add = [&rows](const common::Round& r) { rows.push_back(r); };
    EXPECT_TRUE(h.Read(from, add, why)) << why;
    return rows;
}

class HistoryFileTest : public testing::Test {
  protected:
    void TearDown() override {
        if (mounted) umount2(root.c_str(), MNT_DETACH);
        fs::remove_all(root);
    }
    // A tmpfs of `kb` KiB over the folder's root; false (the test skipped) without the right to mount.
    bool Mount(int kb) {
        if (geteuid() != 0 ||
            mount("tmpfs", root.c_str(), "tmpfs", 0, ("size=" + std::to_string(kb) + "k").c_str()))
            return false;
        return mounted = true;
    }
    std::string Sql(const std::string& sql) { return Shell("sqlite3 " + path + " '" + sql + "' 2>&1"); }
    char name[23] = "/tmp/tn-history-XXXXXX";
    std::string root = mkdtemp(name), folder = root + "/share/TarnovelMon", path = folder + "/history.sqlite";
    bool mounted = false;
};

TEST_F(HistoryFileTest, MadeForTheUserAloneAndReadAsWritten) {
    SqliteHistory h(folder);
    ASSERT_TRUE(h.Open().writable);
    std::string why;
    const std::vector<common::Round> rows{{5, 0, "a,\"b\"", "192.0.2.1", 11010, {}, 2, {}}, At(6), At(7)};
    ASSERT_EQ(h.Append(rows, why), HistoryWrite::kDone) << why;
    for (const auto& [p, mode] :
         {std::pair{folder, 0700}, {root + "/share", 0700}, {path, 0600}, {path + "-wal", 0600}})
        EXPECT_EQ(fs::status(p).permissions(), static_cast<fs::perms>(mode)) << p;
    EXPECT_EQ(Sql("PRAGMA user_version; PRAGMA journal_mode; SELECT * FROM rounds WHERE at_ms = 5"),
              "1\nwal\n5|0|a,\"b\"|192.0.2.1|11010||2|\n");
    EXPECT_EQ(Sql("SELECT name FROM sqlite_master WHERE tbl_name = \"rounds\" ORDER BY name"),
              "rounds\nrounds_at_ms\n");
    // Rows another program wrote out of range are not taken for rounds.
    Sql("INSERT INTO rounds VALUES(8, 2, \"x\", \"y\", 0, 1, 0, 0), (9, 0, \"x\", \"y\", 0, 1, 3, 0)");
    EXPECT_EQ(ReadAll(h), rows);
    EXPECT_EQ(ReadAll(h, 6).size(), 2u);
    std::vector<common::Round> old(2 * SqliteHistory::kDeleteBatch + 5, At(1));
    ASSERT_EQ(h.Append(old, why), HistoryWrite::kDone);
    bool more = true;
    int batches = 0;
    for (; more; ++batches) ASSERT_EQ(h.DeleteBefore(5, more, why), HistoryWrite::kDone);
    EXPECT_EQ(batches, 3);
    EXPECT_EQ(Sql("SELECT count(*) FROM rounds"), "5\n");
}

TEST_F(HistoryFileTest, ADamagedFileIsPutAsideAndANewOneBegun) {
    for (const std::string damage : {"no database at all", "page"}) {
        fs::remove_all(root + "/share");
        fs::create_directories(folder);
        if (damage == "page") {
            Sql("CREATE TABLE t(x); INSERT INTO t SELECT randomblob(900) FROM generate_series(1, 50);"
                "CREATE INDEX i ON t(x)");
            std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(4096 * 3 + 100);
            f << std::string(2000, 'Z');
        } else {
            std::ofstream(path) << damage;
        }
        SqliteHistory h(folder);
        const platform::HistoryOpened opened = h.Open();
        EXPECT_TRUE(opened.writable) << damage << opened.problem;
        EXPECT_NE(opened.notice.find("history.sqlite.corrupt-"), std::string::npos) << damage;
        EXPECT_EQ(Shell("ls " + folder + " | grep -c '^history.sqlite.corrupt-2[0-9-]*$'"), "1\n") << damage;
        EXPECT_TRUE(ReadAll(h).empty());
    }
}

TEST_F(HistoryFileTest, ALaterVersionsFileIsOnlyRead) {
    fs::create_directories(folder);
    Sql("CREATE TABLE rounds(at_ms, site, host, address, status, rtt_ms, lamp, shade);"
        "INSERT INTO rounds VALUES(1, 0, \"h\", \"a\", 0, 5, 0, 1); PRAGMA user_version = 2");
    SqliteHistory h(folder);
    const platform::HistoryOpened opened = h.Open();
    EXPECT_TRUE(!opened.writable && opened.onlyRead);
    std::string why;
    EXPECT_EQ(h.Append(std::vector{At(2)}, why), HistoryWrite::kFailed);
    EXPECT_EQ(ReadAll(h).size(), 1u);
    EXPECT_EQ(Sql("PRAGMA user_version; PRAGMA journal_mode"), "2\ndelete\n");
}

TEST_F(HistoryFileTest, AWriteLockHeldByTheSqliteProgramMakesAWriteBusyUntilItGoes) {
    SqliteHistory h(folder);
    ASSERT_TRUE(h.Open().writable);
    FILE* shell = popen(("sqlite3 " + path + " >/dev/null").c_str(), "w");
    const std::string held = "BEGIN IMMEDIATE; DELETE FROM rounds;\n.shell touch " + root + "/held\n";
    fputs(held.c_str(), shell), fflush(shell);
    for (int i = 0; i < 500 && !fs::exists(root + "/held"); ++i) usleep(10'000);
    std::string why;
    EXPECT_EQ(h.Append(std::vector{At(2)}, why), HistoryWrite::kBusy) << why;
    pclose(shell);  // the shell ends, its transaction rolled back
    EXPECT_EQ(h.Append(std::vector{At(3)}, why), HistoryWrite::kDone) << why;
}

TEST_F(HistoryFileTest, AFullDiskOrAReadOnlyOneFailsTheWriteAndTheFileStaysSound) {
    if (!Mount(256)) GTEST_SKIP() << "SKIPPED: mounting a small tmpfs needs root";
    std::string why;
    {
        SqliteHistory h(folder);
        ASSERT_TRUE(h.Open().writable);
        HistoryWrite w = HistoryWrite::kDone;
        for (int64_t i = 0; i < 100'000 && w == HistoryWrite::kDone; i += 100)
            w = h.Append(std::vector<common::Round>(100, At(i, std::string(200, 'h'))), why);
        EXPECT_TRUE(w == HistoryWrite::kFailed && why.find("full") != std::string::npos) << why;
    }
    ASSERT_EQ(mount(nullptr, root.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0) << strerror(errno);
    for (const std::string& where : {folder, root + "/elsewhere"}) {
        SqliteHistory h(where);
        const platform::HistoryOpened opened = h.Open();
        EXPECT_TRUE(!opened.writable || h.Append(std::vector{At(1)}, why) == HistoryWrite::kFailed) << where;
        EXPECT_FALSE(opened.writable && opened.problem.empty()) << where;
    }
    EXPECT_EQ(Shell("sqlite3 -readonly " + path + " 'PRAGMA integrity_check'"), "ok\n");
}

TEST_F(HistoryFileTest, KilledAtAnyMomentTheFileOpensSoundWithAtMostTheRoundInFlightMissing) {
    std::mt19937 random(12345);
    int64_t recorded = 0;
    for (int round = 0; round < 12; ++round) {
        const pid_t child = fork();
        if (child == 0) {
            SqliteHistory h(folder);
            if (!h.Open().writable) _exit(1);
            std::string why;
            for (int64_t i = 0;; ++i) h.Append(std::vector{At(i)}, why);
        }
        usleep(std::uniform_int_distribution<useconds_t>(1'000, 40'000)(random));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        EXPECT_EQ(Shell("sqlite3 " + path + " 'PRAGMA integrity_check'"), "ok\n") << round;
        const int64_t now = std::stoll(Sql("SELECT count(*) FROM rounds"));
        EXPECT_GE(now, recorded) << round;
        recorded = now;
    }
    EXPECT_GT(recorded, 0);
    EXPECT_TRUE(SqliteHistory(folder).Open().notice.empty());
}

}  // namespace
