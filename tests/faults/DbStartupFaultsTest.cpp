// Start-up with a database file that cannot be used: the module reports the failure through its callback
// and stays without a connection; the sampler's insert then throws ("write wrong") and the schedule's
// opening of TDBFunc fails ("数据库初始化出现错误，请检查相关设定。").
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "storage/uDBFunc.h"
#include "storage/uDBMoudle.h"
#include "support/ChildProcess.h"
#include "support/TestDatabase.h"

namespace fs = std::filesystem;

namespace {

const vh::test::PrivateLockFolder g_lockFolder;

struct Outcome {
    std::vector<std::string> errors;
    bool connected = false;
};

// One start-up over whatever the folder holds, and what the two failure paths of the callers see.
Outcome StartUp() {
    Outcome o;
    TDMMain module([&](const std::string& e) { o.errors.push_back(e); });
    o.connected = module.Connected();
    if (!o.connected) {
        EXPECT_THROW((void)TDBFunc::InsertSample("2026-12-09 10:00:00", "c", "p.exe", ""), std::exception);
        EXPECT_THROW(TDBFunc(), std::exception);
        EXPECT_EQ(TDBFunc::QuerySamples("2026-12-09 00:00:00", "2026-12-10 00:00:00").outcome, TReadOutcome::Failed);
        EXPECT_EQ(TDBFunc::ListPrograms(0).outcome, TReadOutcome::Failed);
        EXPECT_ANY_THROW((void)TDBFunc::ListWorkProcesses());
    }
    return o;
}

void ExpectReportedFailure(const Outcome& o) {
    EXPECT_FALSE(o.connected);
    ASSERT_EQ(o.errors.size(), 1u);
    EXPECT_FALSE(o.errors[0].empty());
}

TEST(DbStartupFaults, MissingFile) {
    vh::test::TempAppDir app(false);
    ExpectReportedFailure(StartUp());
}

TEST(DbStartupFaults, EmptyFile) {
    vh::test::TempAppDir app(false);
    app.WriteFile("ABC.GDB", "");
    ExpectReportedFailure(StartUp());
}

TEST(DbStartupFaults, RandomBytes) {
    std::mt19937 rng(7);
    for (std::size_t size : {1u, 1024u, 8192u, 65536u, 1u << 20}) {
        SCOPED_TRACE(size);
        vh::test::TempAppDir app(false);
        std::string bytes(size, '\0');
        for (auto& c : bytes)
            c = static_cast<char>(rng());
        app.WriteFile("ABC.GDB", bytes);
        ExpectReportedFailure(StartUp());
    }
}

// A real database whose pages are cut off after the header.
TEST(DbStartupFaults, TruncatedDatabase) {
    vh::test::TempAppDir app(true);
    fs::resize_file(app.Path("ABC.GDB"), 4096 * 3);
    const Outcome o = StartUp();
    if (o.connected) {
        // An engine that attaches to it must still fail the operations quietly: refused, or stored.
        const TWriteResult stored = TDBFunc::InsertSample("2026-12-09 10:00:00", "c", "p.exe", "");
        EXPECT_TRUE(stored == TWriteResult::Done || stored == TWriteResult::Failed);
    } else {
        ExpectReportedFailure(o);
    }
}

// Root ignores file modes, so then the opening runs in a child process as the user nobody.
TEST(DbStartupFaults, ReadOnlyFile) {
    vh::test::TempAppDir app(true);
    fs::permissions(app.Path("ABC.GDB"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (geteuid() != 0) {
        ExpectReportedFailure(StartUp());
    } else {
        const char* driver = std::getenv("FAULTS_DRIVER");
        ASSERT_NE(driver, nullptr);
        ASSERT_EQ(access("/usr/bin/setpriv", X_OK), 0) << "setpriv (util-linux) is needed to drop root";
        const std::string lockDir = app.Path("fblock");
        fs::create_directories(lockDir);
        ASSERT_EQ(chown(lockDir.c_str(), 65534, 65534), 0);
        const std::string saved = g_lockFolder.Dir();
        setenv("FIREBIRD_LOCK", lockDir.c_str(), 1);
        vh::test::ChildProcess child(
            {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", driver, "open", app.Dir()});
        setenv("FIREBIRD_LOCK", saved.c_str(), 1);
        const int status = child.Wait();
        const std::string out = child.Output();
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << ": " << out;
        EXPECT_EQ(out, "error\ninsert-throws\nopen-throws\n");
    }
    fs::permissions(app.Path("ABC.GDB"), fs::perms::owner_all);
}

TEST(DbStartupFaults, DirectoryInsteadOfFile) {
    vh::test::TempAppDir app(false);
    fs::create_directories(app.Path("ABC.GDB"));
    ExpectReportedFailure(StartUp());
}

// Another process (a second copy, or isql-fb) holds the file.
TEST(DbStartupFaults, LockedByAnotherProcess) {
    const char* driver = std::getenv("FAULTS_DRIVER");
    ASSERT_NE(driver, nullptr);
    vh::test::TempAppDir app(true);
    vh::test::ChildProcess holder({driver, "hold", app.Path("ABC.GDB")});
    ASSERT_TRUE(holder.WaitForLine("attached", std::chrono::seconds(20))) << holder.Output();
    ExpectReportedFailure(StartUp());
    holder.CloseStdin();
    holder.Wait();
    // Once the other process is gone the file opens again.
    EXPECT_TRUE(StartUp().connected);
}

// The fallback file is broken as well: the schedule's opening fails, nothing crashes.
TEST(DbStartupFaults, BrokenFallbackToo) {
    vh::test::TempAppDir app(false);
    app.WriteFile("ABC.GDB", std::string(3000, 'Z'));
    app.WriteFile("data/abc.gdb", std::string(5000, '\x01'));
    ExpectReportedFailure(StartUp());
}

} // namespace
