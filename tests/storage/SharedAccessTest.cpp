// The records open to the user's own tools while the program holds the database (System/SharedDatabase on):
// isql-fb, a real process of its own, started as README says, reads the samples the module stores, and
// later ones too.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/AppLocations.h"
#include "platform/Text.h"
#include "storage/FbApi.h"
#include "storage/uDBFunc.h"
#include "storage/uDBMoudle.h"
#include "support/ChildProcess.h"
#include "support/TestDatabase.h"

namespace {

const vh::test::PrivateLockFolder g_lockFolder;

// The program's start with System/SharedDatabase on.
struct SharedStart {
    std::unique_ptr<TDMMain> Start() {
        return std::make_unique<TDMMain>([this](const std::string& e) { errors.push_back(e); },
                                         vh::platform::ThisProcessLocations().dataDir, true);
    }
    std::string DatabasePath() const { return app.Path("ABC.GDB"); }
    std::string Count() {
        vh::test::DirectSql sql(DatabasePath());
        return sql.Scalar("select count(*) from TIMEINFO");
    }

    vh::test::TempAppDir app;
    std::vector<std::string> errors;
    std::unique_ptr<TDMMain> module;
};

// isql-fb attached to one database, fed statements on its standard input. environment: the variables set
// for it, FIREBIRD left unset unless named.
class Isql {
public:
    Isql(const std::string& database, std::vector<std::string> environment)
        : child_(Command(database, std::move(environment)), true) {}
    // Ended by the end of its input, not killed: a process killed while attached can leave the shared lock
    // table locked.
    ~Isql() {
        child_.CloseStdin();
        child_.Wait();
    }
    // Runs statements, then prints a marker and returns what it printed since the last call.
    std::string Run(const std::string& statements) {
        const std::string marker = "MARK" + std::to_string(++marks_);
        child_.Write(statements + "\nselect '" + marker + "' from RDB$DATABASE;\n");
        child_.WaitForText(marker, std::chrono::seconds(30));
        const std::string printed = child_.Output().substr(seen_);
        seen_ += printed.size();
        return printed;
    }
    // Runs statements and ends isql-fb; everything it printed.
    std::string RunToEnd(const std::string& statements) {
        child_.Write(statements + "\nquit;\n");
        child_.Wait();
        return child_.Output();
    }

private:
    static std::vector<std::string> Command(const std::string& database, std::vector<std::string> argv) {
        argv.insert(argv.begin(), {"env", "-u", "FIREBIRD"});
        argv.insert(argv.end(), {"isql-fb", "-q", "-user", "ADMIN", "-password", "k4rv9tbe", database});
        return argv;
    }

    vh::test::ChildProcess child_;
    int marks_ = 0;
    std::size_t seen_ = 0;
};

std::size_t Occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(SharedAccess, IsqlReadsTheSamplesWhileTheModuleStoresThem) {
    SharedStart db;
    db.module = db.Start();
    ASSERT_TRUE(db.module->Connected()) << (db.errors.empty() ? "" : db.errors[0]);
    const std::string folder = vh::fb::Client::SharedFolder();
    ASSERT_EQ(folder, g_lockFolder.Dir()) << "the engine does not open databases shared";
    // The program's own environment does not carry the engine's root on to the programs it starts.
    EXPECT_EQ(std::getenv("FIREBIRD"), nullptr);

    ASSERT_EQ(TDBFunc::InsertSample("2026-12-09 10:00:00", vh::text::Utf8ToGbk("记事本"), "notepad.exe", ""),
              TWriteResult::Done);
    ASSERT_EQ(TDBFunc::InsertSample("2026-12-09 10:01:00", "Terminal", "xterm", ""), TWriteResult::Done);

    // As README says: both variables name the engine's folder.
    Isql isql(db.DatabasePath(), {"FIREBIRD=" + folder, "FIREBIRD_LOCK=" + folder});
    const std::string first = isql.Run("select PROCESS_NAME from TIMEINFO;");
    EXPECT_EQ(Occurrences(first, "notepad.exe"), 1u) << first;
    EXPECT_EQ(Occurrences(first, "xterm"), 1u) << first;
    EXPECT_EQ(first.find("Statement failed"), std::string::npos) << first;

    // The program goes on storing while isql-fb stays attached; its next transaction sees the new sample.
    ASSERT_EQ(TDBFunc::InsertSample("2026-12-09 10:02:00", "Calculator", "galculator", ""), TWriteResult::Done);
    const std::string second = isql.Run("commit; select PROCESS_NAME from TIMEINFO;");
    EXPECT_EQ(Occurrences(second, "galculator"), 1u) << second;
    EXPECT_EQ(Occurrences(second, "notepad.exe"), 1u) << second;

    // And a sample stored after isql-fb wrote: both sides keep the same file.
    const std::string third = isql.Run("select count(*) from TIMEINFO;");
    EXPECT_NE(third.find(" 3"), std::string::npos) << third;
    ASSERT_EQ(TDBFunc::InsertSample("2026-12-09 10:03:00", "Editor", "gedit", ""), TWriteResult::Done);
    EXPECT_EQ(db.Count(), "4");
}

// The engine in its default mode (an isql-fb started without the variables) cannot take the file from the
// program, and the program keeps working.
TEST(SharedAccess, ToolsInTheDefaultModeAreRefused) {
    SharedStart db;
    db.module = db.Start();
    ASSERT_TRUE(db.module->Connected());
    ASSERT_EQ(TDBFunc::InsertSample("2026-12-09 10:00:00", "Terminal", "xterm", ""), TWriteResult::Done);
    {
        Isql isql(db.DatabasePath(), {"FIREBIRD_LOCK=" + g_lockFolder.Dir()});
        const std::string out = isql.RunToEnd("select count(*) from TIMEINFO;");
        EXPECT_NE(out.find("incompatible"), std::string::npos) << out;
    }
    ASSERT_EQ(TDBFunc::InsertSample("2026-12-09 10:01:00", "Terminal", "xterm", ""), TWriteResult::Done);
    EXPECT_EQ(db.Count(), "2");
}

} // namespace
