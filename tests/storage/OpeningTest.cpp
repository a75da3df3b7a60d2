// Which file the module opens at start-up and on the fallback opening, and what a failure looks like.
#include <gtest/gtest.h>

#include "platform/AppPaths.h"
#include "storage/uDBFunc.h"
#include "storage/uDBMoudle.h"
#include "support/TestDatabase.h"

namespace {

using vh::test::DirectSql;
using vh::test::TempAppDir;

struct Started {
    std::vector<std::string> errors;
    TDMMain module{[this](const std::string& e) { errors.push_back(e); }};
};

// The fallback opening, as applying the schedule runs it.
void OpenDatabase() {
    TDBFunc opened;
}

std::string Notes(const std::string& path) {
    DirectSql sql(path);
    return sql.Scalar("select count(*) from timeinfo");
}

TEST(Opening, StartupFileIsUsedAndFallbackNeverOpened) {
    TempAppDir app;
    // Not a database: opening it would fail.
    app.WriteFile("data/abc.gdb", "no database here");
    {
        Started s;
        EXPECT_TRUE(s.errors.empty());
        EXPECT_TRUE(s.module.Connected());
        EXPECT_EQ(s.module.firbdbTime.DatabaseName(), app.Path("ABC.GDB"));
        EXPECT_EQ(TDMMain::Instance(), &s.module);
        EXPECT_NO_THROW(OpenDatabase());
        EXPECT_NO_THROW(OpenDatabase());
        EXPECT_EQ(s.module.firbdbTime.DatabaseName(), app.Path("ABC.GDB"));
        EXPECT_EQ(TDBFunc::InsertSample("2026-03-01 10:00:00", "x", "a.exe", ""), TWriteResult::Done);
    }
    EXPECT_EQ(TDMMain::Instance(), nullptr);
    EXPECT_EQ(Notes(app.Path("ABC.GDB")), "1");
}

TEST(Opening, OnlyFallbackFile) {
    TempAppDir app(false);
    app.CopyTemplateTo("data/abc.gdb");
    Started s;
    ASSERT_EQ(s.errors.size(), 1u);
    EXPECT_NE(s.errors[0].find("ABC.GDB"), std::string::npos) << s.errors[0];
    EXPECT_FALSE(s.module.Connected());

    // Until the schedule is applied the operations fail as with the connection closed.
    EXPECT_EQ(TDBFunc::QuerySamples("2026-03-01 00:00:00", "2026-03-02 00:00:00").outcome, TReadOutcome::Failed);
    EXPECT_THROW((void)TDBFunc::InsertSample("2026-03-01 10:00:00", "x", "a.exe", ""), std::exception);

    OpenDatabase();
    EXPECT_TRUE(s.module.Connected());
    EXPECT_EQ(s.module.firbdbTime.DatabaseName(), app.Path("data/abc.gdb"));
    EXPECT_EQ(TDBFunc::InsertSample("2026-03-01 10:00:00", "x", "a.exe", ""), TWriteResult::Done);
    EXPECT_EQ(TDBFunc::QuerySamples("2026-03-01 00:00:00", "2026-03-02 00:00:00").outcome, TReadOutcome::Rows);
    s.module.CloseConnection();
    EXPECT_EQ(Notes(app.Path("data/abc.gdb")), "1");
}

TEST(Opening, NeitherFile) {
    TempAppDir app(false);
    Started s;
    EXPECT_EQ(s.errors.size(), 1u);
    EXPECT_FALSE(s.module.Connected());
    try {
        TDBFunc f;
        FAIL() << "the fallback opening succeeded without a file";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("abc.gdb"), std::string::npos) << e.what();
    }
    EXPECT_EQ(TDBFunc::ListPrograms(0).outcome, TReadOutcome::Failed);
}

TEST(Opening, FilesThatAreNoDatabase) {
    TempAppDir app(false);
    app.WriteFile("ABC.GDB", std::string(20000, '\x5a'));
    app.WriteFile("data/abc.gdb", "");
    Started s;
    EXPECT_EQ(s.errors.size(), 1u);
    EXPECT_FALSE(s.module.Connected());
    EXPECT_THROW(TDBFunc(), std::runtime_error);
    EXPECT_FALSE(s.module.Connected());
}

TEST(Opening, NoModuleAtAll) {
    TempAppDir app;
    ASSERT_EQ(TDMMain::Instance(), nullptr);
    EXPECT_THROW(TDBFunc(), std::runtime_error);
    EXPECT_THROW((void)TDBFunc::InsertSample("2026-03-01 10:00:00", "x", "a.exe", ""), std::exception);
    // Reads fail as with the connection closed.
    EXPECT_EQ(TDBFunc::QuerySamples("2026-03-01 00:00:00", "2026-03-02 00:00:00").outcome, TReadOutcome::Failed);
    EXPECT_EQ(TDBFunc::GetProgramInfo("Word").outcome, TReadOutcome::Failed);
}

TEST(Opening, ReconnectAfterClose) {
    TempAppDir app(false);
    app.CopyTemplateTo("data/abc.gdb");
    Started s;
    OpenDatabase();
    ASSERT_EQ(TDBFunc::InsertProgram("a.exe", "A", ""), TWriteResult::Done);
    s.module.CloseConnection();
    EXPECT_FALSE(s.module.Connected());
    OpenDatabase();
    EXPECT_EQ(TDBFunc::ListPrograms(0).rows, (TStringList{"A"}));
}

} // namespace
