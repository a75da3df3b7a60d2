// The daily copies on real databases: made from a worker thread beside the program's connection and restored
// with gbak; the newest seven kept; a copy that cannot be written, and a copy killed in
// the middle, leave the database and the older copies as they were. The engine runs in the program's
// default mode, so a child process that makes a copy holds the database alone.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "platform/Text.h"
#include "storage/Backup.h"
#include "storage/FbApi.h"
#include "storage/uDBFunc.h"
#include "storage/uDBMoudle.h"
#include "support/ChildProcess.h"
#include "support/TestDatabase.h"

namespace fs = std::filesystem;
using vh::storage::BackupDatabase;
using vh::storage::BackupOutcome;

namespace {

// The engine's lock folder for this test and its children (the driver, gbak, isql-fb, gfix).
const vh::test::PrivateLockFolder g_lockFolder;

std::map<std::string, std::string> FolderContents(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(folder))
        files[e.path().filename().string()] = vh::test::ReadAll(e.path().string());
    return files;
}

std::string Sample(int i) {
    char time[32];
    std::snprintf(time, sizeof time, "2026-12-09 %02d:%02d:%02d", i / 3600 % 24, i / 60 % 60, i % 60);
    return time;
}

std::string Title(int i) {
    return vh::text::Utf8ToGbk("文档 " + std::to_string(i) + " - 编辑器");
}

void StoreSample(int i) {
    ASSERT_EQ(TDBFunc::InsertSample(Sample(i), Title(i), "p" + std::to_string(i % 7) + ".exe", ""), TWriteResult::Done);
}

// Fills TIMEINFO with n rows in one statement (many rows quickly; the layer would take PSQL's ":i" for a
// parameter, so the rows come from a cross join of a system table).
void Fill(const std::string& database, int n) {
    vh::test::DirectSql sql(database);
    sql.Exec("insert into TIMEINFO select first " + std::to_string(n) +
             " '2026-11-01 00:00:00', 'window caption ' || a.RDB$TYPE || '-' || b.RDB$TYPE || '-' || c.RDB$TYPE, "
             "'process' || b.RDB$TYPE || '.exe', '' from RDB$TYPES a cross join RDB$TYPES b cross join RDB$TYPES c");
    EXPECT_GE(std::stol(sql.Scalar("select count(*) from TIMEINFO")), n);
}

long Count(const std::string& database) {
    vh::test::DirectSql sql(database);
    return std::stol(sql.Scalar("select count(*) from TIMEINFO"));
}

constexpr vh::DateTime Day(int d) {
    return {2026, 12, d};
}

// The copy taken while the program goes on storing samples holds exactly the samples committed up to one
// moment: all of those stored before it began, and of the later ones an unbroken run from the first.
TEST(Backup, CopyOfTheRunningDatabaseHoldsEveryRowCommittedBeforeIt) {
    vh::test::TestDatabase db;
    EXPECT_EQ(vh::fb::Client::SharedFolder(), "") << "the database opens shared without the setting";
    const std::string folder = vh::storage::BackupFolderFor(db.DatabasePath());
    EXPECT_EQ(folder, db.App().Dir() + "backup");
    EXPECT_TRUE(vh::storage::DailyBackupDue(db.DatabasePath(), folder, {2026, 12, 9, 0, 5}));

    constexpr int kBefore = 300;
    for (int i = 0; i < kBefore; ++i)
        StoreSample(i);
    std::atomic<bool> finished{false};
    BackupOutcome outcome;
    std::thread worker([&] {
        outcome = BackupDatabase(db.DatabasePath(), folder, {2026, 12, 9, 0, 5});
        finished = true;
    });
    int stored = kBefore;
    while (!finished)
        StoreSample(stored++);
    worker.join();
    ASSERT_TRUE(outcome.done) << outcome.reason;
    EXPECT_EQ(outcome.file, folder + "/ABC-20261209.fbk");
    EXPECT_EQ(FolderContents(folder).size(), 1u) << "a temporary was left behind";
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(outcome.file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(vh::storage::DailyBackupDue(db.DatabasePath(), folder, {2026, 12, 9, 23, 59}));
    EXPECT_TRUE(vh::storage::DailyBackupDue(db.DatabasePath(), folder, {2026, 12, 10, 0, 0}));
    // Another database's copy of a day is not this one's.
    vh::test::WriteAll(folder + "/XYZ-20261210.fbk", "another database");
    EXPECT_TRUE(vh::storage::DailyBackupDue(db.DatabasePath(), folder, {2026, 12, 10, 0, 0}));
    // The program's connection is not disturbed.
    StoreSample(stored++);
    db.CloseConnection();
    ASSERT_EQ(Count(db.DatabasePath()), stored);

    // Put back with gbak as a user would: the first n samples, for an n between those two.
    const std::string restored = db.App().Path("restored.gdb");
    std::string out;
    ASSERT_EQ(
        vh::test::RunCommand("gbak -c -user ADMIN -password k4rv9tbe '" + outcome.file + "' '" + restored + "'", out),
        0)
        << out;
    vh::test::DirectSql copy(restored);
    const long n = std::stol(copy.Scalar("select count(distinct TIMEDETAIL) from TIMEINFO"));
    EXPECT_EQ(copy.Scalar("select count(*) from TIMEINFO"), std::to_string(n));
    ASSERT_GE(n, kBefore);
    ASSERT_LT(n, stored);
    EXPECT_EQ(copy.Scalar("select max(TIMEDETAIL) from TIMEINFO"), Sample(n - 1));
    EXPECT_EQ(copy.Scalar("select TITLE from TIMEINFO where TIMEDETAIL = :P1", {Sample(n - 1)}), Title(n - 1));
    std::cout << "stored " << stored << " samples, " << stored - kBefore << " during the copy, which holds " << n
              << "\n";
}

TEST(Backup, KeepsTheNewestSevenAndTouchesNoOtherFile) {
    vh::test::TestDatabase db;
    const std::string folder = vh::storage::BackupFolderFor(db.DatabasePath());
    fs::create_directories(folder);
    const std::map<std::string, std::string> foreign = {{"ABC-2026121.fbk", "seven digits"},
                                                        {"XYZ-20261101.fbk", "another database"},
                                                        {"ABC-20261101.fbk.bak", "mine"}};
    for (const auto& [name, content] : foreign)
        vh::test::WriteAll(folder + "/" + name, content);
    // What a copy killed in the middle left behind.
    vh::test::WriteAll(folder + "/ABC-20261130.fbk.part", "half a copy");

    for (int d = 1; d <= 8; ++d) {
        StoreSample(d);
        const BackupOutcome o = BackupDatabase(db.DatabasePath(), folder, Day(d));
        ASSERT_TRUE(o.done) << o.reason;
    }
    auto contents = FolderContents(folder);
    for (const auto& [name, content] : foreign)
        EXPECT_EQ(contents[name], content) << name;
    EXPECT_EQ(contents.count("ABC-20261130.fbk.part"), 0u);
    EXPECT_EQ(contents.count("ABC-20261201.fbk"), 0u) << "the eighth day keeps the oldest";
    for (int d = 2; d <= 8; ++d)
        EXPECT_EQ(contents.count("ABC-2026120" + std::to_string(d) + ".fbk"), 1u) << d;
    EXPECT_EQ(contents.size(), foreign.size() + 7);

    // A second copy on one day replaces the first, with what was stored since.
    const std::string before = contents["ABC-20261208.fbk"];
    StoreSample(100);
    ASSERT_TRUE(BackupDatabase(db.DatabasePath(), folder, Day(8)).done);
    contents = FolderContents(folder);
    EXPECT_NE(contents["ABC-20261208.fbk"], before);
    EXPECT_EQ(contents.size(), foreign.size() + 7);

    // Never the copy just made, even when older copies carry later dates.
    ASSERT_TRUE(BackupDatabase(db.DatabasePath(), folder, Day(4), 1).done);
    contents = FolderContents(folder);
    EXPECT_EQ(contents.size(), foreign.size() + 1);
    EXPECT_EQ(contents.count("ABC-20261204.fbk"), 1u);
}

// Sets up a database with rows and two older copies, then checks that a failed copy changed neither.
class FailedBackup : public ::testing::Test {
protected:
    void SetUp() override {
        Fill(db_.DatabasePath(), 40000);
        folder_ = vh::storage::BackupFolderFor(db_.DatabasePath());
        ASSERT_TRUE(BackupDatabase(db_.DatabasePath(), folder_, Day(1)).done);
        StoreSample(1);
        ASSERT_TRUE(BackupDatabase(db_.DatabasePath(), folder_, Day(2)).done);
        StoreSample(2);
        rows_ = Count(db_.DatabasePath());
        copies_ = FolderContents(folder_);
    }
    void ExpectUntouched() {
        EXPECT_EQ(FolderContents(folder_), copies_) << "the older copies changed, or a new file appeared";
        db_.CloseConnection();
        EXPECT_EQ(vh::test::ValidationErrors(db_.DatabasePath()), "");
        EXPECT_EQ(Count(db_.DatabasePath()), rows_);
        db_.Restart();
        EXPECT_TRUE(db_.Module().Connected());
    }
    // The driver's answer: "done <file>" or "failed <reason>".
    std::string Driver(const std::vector<std::string>& prefix, const std::vector<std::string>& extra = {}) {
        const char* driver = std::getenv("BACKUP_DRIVER");
        EXPECT_NE(driver, nullptr);
        std::vector<std::string> argv = prefix;
        argv.insert(argv.end(), {driver, db_.DatabasePath(), folder_, "20261203"});
        argv.insert(argv.end(), extra.begin(), extra.end());
        vh::test::ChildProcess child(argv);
        const int status = child.Wait();
        const std::string out = child.Output();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << ": " << out;
        return out;
    }

    vh::test::TestDatabase db_;
    std::string folder_;
    long rows_ = 0;
    std::map<std::string, std::string> copies_;
};

// The disk fills up during the copy (a file-size limit below the copy's size and above every file the
// engine itself writes): the write fails, the process lives on and says why. The copy runs in a process of
// its own, which then holds the database alone.
TEST_F(FailedBackup, DiskFull) {
    db_.CloseConnection();
    const std::string out = Driver({}, {std::to_string(1536 * 1024)});
    EXPECT_EQ(out.rfind("failed ", 0), 0u) << out;
    std::cout << "disk full: " << out;
    ExpectUntouched();
}

// The backup folder is not writable. Root ignores file modes, so the copy then runs as the user nobody,
// with a lock folder of its own and the database its own (nothing else holds it meanwhile).
TEST_F(FailedBackup, FolderNotWritable) {
    fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    std::string out;
    if (geteuid() != 0) {
        const BackupOutcome o = BackupDatabase(db_.DatabasePath(), folder_, Day(3));
        EXPECT_FALSE(o.done);
        out = "failed " + vh::text::GbkToUtf8(o.reason) + "\n";
    } else {
        ASSERT_EQ(access("/usr/bin/setpriv", X_OK), 0) << "setpriv (util-linux) is needed to drop root";
        db_.CloseConnection();
        const std::string lockDir = db_.App().Path("fblock-nobody");
        fs::create_directories(lockDir);
        ASSERT_EQ(chown(lockDir.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(db_.DatabasePath().c_str(), 65534, 65534), 0);
        setenv("FIREBIRD_LOCK", lockDir.c_str(), 1);
        out = Driver({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
        setenv("FIREBIRD_LOCK", g_lockFolder.Dir().c_str(), 1);
        ASSERT_EQ(chown(db_.DatabasePath().c_str(), 0, 0), 0);
        db_.Restart();
    }
    EXPECT_EQ(out.rfind("failed ", 0), 0u) << out;
    std::cout << "folder not writable: " << out;
    ExpectUntouched();
}

// Killed while it writes the copy of a big database (the program ended in the middle of its daily copy):
// the database and the older copies stay whole, no half copy carries a copy's name, the next start opens
// the database, and the next copy clears the temporary away.
TEST(Backup, KillDuringTheCopyLeavesDatabaseAndOlderCopiesWhole) {
    const char* driver = std::getenv("BACKUP_DRIVER");
    ASSERT_NE(driver, nullptr);
    vh::test::TestDatabase db;
    const std::string folder = vh::storage::BackupFolderFor(db.DatabasePath());
    StoreSample(1);
    ASSERT_TRUE(BackupDatabase(db.DatabasePath(), folder, Day(1)).done);
    StoreSample(2);
    ASSERT_TRUE(BackupDatabase(db.DatabasePath(), folder, Day(2)).done);
    Fill(db.DatabasePath(), 400000);
    StoreSample(3);
    const long rows = Count(db.DatabasePath());
    const auto copies = FolderContents(folder);
    const std::string part = folder + "/ABC-20261203.fbk.part";

    db.CloseConnection();
    {
        vh::test::ChildProcess child({driver, db.DatabasePath(), folder, "20261203"});
        // Killed once it has written a good part of the copy.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        std::error_code ec;
        while (std::chrono::steady_clock::now() < deadline && child.Alive() &&
               !(fs::exists(part, ec) && fs::file_size(part, ec) >= 4 * 1024 * 1024))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const int status = child.Kill();
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the copy ended before the kill: " << status << " " << child.Output();
    }
    ASSERT_TRUE(fs::exists(part)) << "the kill came before the copy was written";
    auto now = FolderContents(folder);
    now.erase("ABC-20261203.fbk.part");
    EXPECT_EQ(now, copies);
    EXPECT_EQ(vh::test::ValidationErrors(db.DatabasePath()), "");
    // The next start opens the database and stores samples.
    db.Restart();
    ASSERT_TRUE(db.Module().Connected()) << (db.errors.empty() ? "" : db.errors.back());
    StoreSample(10);
    EXPECT_EQ(Count(db.DatabasePath()), rows + 1);

    const BackupOutcome o = BackupDatabase(db.DatabasePath(), folder, Day(3));
    ASSERT_TRUE(o.done) << o.reason;
    EXPECT_FALSE(fs::exists(part));
    EXPECT_EQ(FolderContents(folder).size(), copies.size() + 1);
}

} // namespace
