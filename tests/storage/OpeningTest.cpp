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
    ~Started() { DBFunc.reset(); }
};

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
        EXPECT_NO_THROW(DBFunc = std::make_unique<TDBFunc>());
        EXPECT_NO_THROW(DBFunc = std::make_unique<TDBFunc>());
        EXPECT_EQ(s.module.firbdbTime.DatabaseName(), app.Path("ABC.GDB"));
        TDBFunc::InsertSample("2026-03-01 10:00:00", "x", "a.exe", "");
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
    std::string from = "2026-03-01 00:00:00";
    TDBFunc::QuerySamples(from, "2026-03-02 00:00:00");
    EXPECT_EQ(from, "-2");
    EXPECT_THROW(TDBFunc::InsertSample("2026-03-01 10:00:00", "x", "a.exe", ""), std::exception);

    DBFunc = std::make_unique<TDBFunc>();
    EXPECT_TRUE(s.module.Connected());
    EXPECT_EQ(s.module.firbdbTime.DatabaseName(), app.Path("data/abc.gdb"));
    TDBFunc::InsertSample("2026-03-01 10:00:00", "x", "a.exe", "");
    from = "2026-03-01 00:00:00";
    TDBFunc::QuerySamples(from, "2026-03-02 00:00:00");
    EXPECT_EQ(from, "2026-03-01 00:00:00");
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
    TStringList list;
    EXPECT_FALSE(TDBFunc::ListPrograms(list, "0"));
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
    EXPECT_THROW(TDBFunc::InsertSample("2026-03-01 10:00:00", "x", "a.exe", ""), std::exception);
    std::string from = "2026-03-01 00:00:00";
    TDBFunc::QuerySamples(from, "2026-03-02 00:00:00");
    EXPECT_EQ(from, "-2");
    std::string process = "keep", description;
    EXPECT_FALSE(TDBFunc::GetProgramInfo("Word", process, description));
}

TEST(Opening, ReconnectAfterClose) {
    TempAppDir app(false);
    app.CopyTemplateTo("data/abc.gdb");
    Started s;
    DBFunc = std::make_unique<TDBFunc>();
    TDBFunc::InsertProgram("a.exe", "A", "");
    s.module.CloseConnection();
    EXPECT_FALSE(s.module.Connected());
    DBFunc = std::make_unique<TDBFunc>();
    TStringList list;
    EXPECT_TRUE(TDBFunc::ListPrograms(list, "0"));
    EXPECT_EQ(list, (TStringList{"A"}));
}

} // namespace
