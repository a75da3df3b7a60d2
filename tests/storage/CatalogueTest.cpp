// The program catalogue on a real database: entries, states, look-up, lists and refused writes.
#include <gtest/gtest.h>

#include "platform/Text.h"
#include "storage/uDBFunc.h"
#include "storage/uDBMoudle.h"
#include "support/TestDatabase.h"

namespace {

using vh::text::Utf8ToGbk;

// Writes that the test needs to go through.
void Write(TWriteResult r) {
    ASSERT_EQ(r, TWriteResult::Done);
}

class Catalogue : public ::testing::Test {
protected:
    vh::test::TestDatabase db;

    static TStringList Programs(std::int16_t lowest) { return TDBFunc::ListPrograms(lowest).rows; }
    static TStringList WorkProcesses() { return TDBFunc::ListWorkProcesses().rows; }
    std::vector<std::vector<std::string>> Rows() {
        return db.Sql().Rows("select processname, programname, programdes, bnormal from tprogram order by processname");
    }
};

TEST_F(Catalogue, EmptyCatalogueListsNothing) {
    EXPECT_EQ(TDBFunc::ListPrograms(0).outcome, TReadOutcome::NoRows);
    EXPECT_EQ(TDBFunc::ListWorkProcesses().outcome, TReadOutcome::NoRows);
}

TEST_F(Catalogue, NewEntryIsSelectableNotWork) {
    Write(TDBFunc::InsertProgram("winword.exe", "Word", Utf8ToGbk("文字处理")));
    EXPECT_EQ(Programs(0), (TStringList{"Word"}));
    EXPECT_EQ(TDBFunc::ListPrograms(1).outcome, TReadOutcome::NoRows);
    EXPECT_TRUE(WorkProcesses().empty());
    EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{{"winword.exe", "Word", Utf8ToGbk("文字处理"), "0"}}));
}

TEST_F(Catalogue, StateChangesByProgramName) {
    Write(TDBFunc::InsertProgram("winword.exe", "Word", ""));
    Write(TDBFunc::InsertProgram("qq.exe", "QQ", ""));
    Write(TDBFunc::SetProgramState(1, "Word"));
    EXPECT_EQ(Programs(1), (TStringList{"Word"}));
    EXPECT_EQ(Programs(0).size(), 2u);
    EXPECT_EQ(WorkProcesses(), (TStringList{"winword.exe"}));

    // A state above 1 counts for "at least 1" but not for "equal to 1".
    Write(TDBFunc::SetProgramState(2, "QQ"));
    EXPECT_EQ(Programs(1).size(), 2u);
    EXPECT_EQ(Programs(-5).size(), 2u);
    EXPECT_EQ(WorkProcesses(), (TStringList{"winword.exe"}));

    Write(TDBFunc::SetProgramState(0, "Word"));
    Write(TDBFunc::SetProgramState(0, "QQ"));
    EXPECT_TRUE(Programs(1).empty());
    // An unknown name changes nothing and is no refusal.
    EXPECT_EQ(TDBFunc::SetProgramState(1, "nobody"), TWriteResult::Done);
    EXPECT_TRUE(Programs(1).empty());
}

TEST_F(Catalogue, UpdateAndDeleteByProcessNameKeepStateAndKey) {
    Write(TDBFunc::InsertProgram("winword.exe", "Word", "old"));
    Write(TDBFunc::InsertProgram("qq.exe", "QQ", ""));
    Write(TDBFunc::SetProgramState(1, "Word"));
    Write(TDBFunc::UpdateProgram("winword.exe", "Microsoft Word", "new"));
    Write(TDBFunc::DeleteProgram("qq.exe"));
    EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{{"winword.exe", "Microsoft Word", "new", "1"}}));
    EXPECT_EQ(Programs(1), (TStringList{"Microsoft Word"}));
    // An unknown process name changes nothing.
    Write(TDBFunc::UpdateProgram("other.exe", "X", "y"));
    Write(TDBFunc::DeleteProgram("missing.exe"));
    EXPECT_EQ(Rows().size(), 1u);
}

TEST_F(Catalogue, LookUp) {
    // Right after the write, before any list has been refilled: the look-up must still see the entry.
    Write(TDBFunc::InsertProgram("winword.exe", "Word", Utf8ToGbk("写作")));
    ASSERT_FALSE(db.Module().fibtrans1.Active());
    const TRead<TProgramInfo> found = TDBFunc::GetProgramInfo("Word");
    ASSERT_EQ(found.outcome, TReadOutcome::Rows);
    EXPECT_EQ(found.rows[0].processName, "winword.exe");
    EXPECT_EQ(found.rows[0].description, Utf8ToGbk("写作"));

    EXPECT_EQ(TDBFunc::GetProgramInfo("Excel").outcome, TReadOutcome::NoRows);

    // A blank name runs no query (a query would have started the transaction).
    Write(TDBFunc::InsertProgram("qq.exe", "QQ", ""));
    ASSERT_FALSE(db.Module().fibtrans1.Active());
    EXPECT_EQ(TDBFunc::GetProgramInfo(" \t ").outcome, TReadOutcome::Failed);
    EXPECT_EQ(TDBFunc::GetProgramInfo("").outcome, TReadOutcome::Failed);
    EXPECT_FALSE(db.Module().fibtrans1.Active());
}

TEST_F(Catalogue, RefusedWritesAreRolledBackAndSayWhy) {
    Write(TDBFunc::InsertProgram("winword.exe", "Word", "first"));
    const auto before = Rows();

    // The same process name, the same program name (trailing blanks do not make a new name), blank names.
    EXPECT_EQ(TDBFunc::InsertProgram("winword.exe", "Word 2", "second"), TWriteResult::ProcessNameExists);
    EXPECT_EQ(TDBFunc::InsertProgram("winword.exe", "Word", "second"), TWriteResult::ProcessNameExists);
    EXPECT_EQ(TDBFunc::InsertProgram("word2.exe", "Word  ", "second"), TWriteResult::ProgramNameExists);
    EXPECT_EQ(TDBFunc::InsertProgram("", "", ""), TWriteResult::BlankName);
    EXPECT_EQ(TDBFunc::InsertProgram("  ", "Blank", ""), TWriteResult::BlankName);
    // Too long for the procedure's parameters, and beyond what any parameter takes.
    EXPECT_EQ(TDBFunc::InsertProgram("long.exe", "Long", std::string(1001, 'd')), TWriteResult::TooLong);
    EXPECT_EQ(TDBFunc::InsertProgram(std::string(261, 'p'), "Long", ""), TWriteResult::TooLong);
    EXPECT_EQ(TDBFunc::InsertProgram("long.exe", std::string(40000, 'n'), ""), TWriteResult::TooLong);
    EXPECT_EQ(Rows(), before);
    EXPECT_FALSE(db.Module().fibtrans1.Active());

    // Renaming onto another entry's program name is refused too; a long description as well.
    Write(TDBFunc::InsertProgram("qq.exe", "QQ", ""));
    EXPECT_EQ(TDBFunc::UpdateProgram("qq.exe", "Word", "x"), TWriteResult::ProgramNameExists);
    EXPECT_EQ(TDBFunc::UpdateProgram("qq.exe", "QQ", std::string(1001, 'd')), TWriteResult::TooLong);
    EXPECT_EQ(Programs(0), (TStringList{"Word", "QQ"}));

    // Nothing is left half-done: the next writes go through.
    EXPECT_EQ(TDBFunc::InsertProgram("excel.exe", "Excel", ""), TWriteResult::Done);
    EXPECT_EQ(TDBFunc::UpdateProgram("excel.exe", "Excel 2", ""), TWriteResult::Done);
    EXPECT_EQ(TDBFunc::SetProgramState(1, "QQ"), TWriteResult::Done);
    EXPECT_EQ(TDBFunc::DeleteProgram("qq.exe"), TWriteResult::Done);
    EXPECT_EQ(Rows().size(), 2u);
}

TEST_F(Catalogue, StateByProcessNameMarksThatEntryOnly) {
    Write(TDBFunc::InsertProgram("notepad.exe", "Editor", "text"));
    // Another process's entry whose program name is what a window caption might say.
    Write(TDBFunc::InsertProgram("other.exe", "notepad.exe", ""));
    EXPECT_EQ(TDBFunc::GetProgramByProcess("notepad.exe").rows, (TStringList{"Editor"}));
    EXPECT_EQ(TDBFunc::GetProgramByProcess("missing.exe").outcome, TReadOutcome::NoRows);

    EXPECT_EQ(TDBFunc::SetProgramStateByProcess(1, "notepad.exe"), TWriteResult::Done);
    EXPECT_EQ(TDBFunc::SetProgramStateByProcess(1, "missing.exe"), TWriteResult::Failed);
    EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{{"notepad.exe", "Editor", "text", "1"},
                                                             {"other.exe", "notepad.exe", "", "0"}}));
    EXPECT_EQ(WorkProcesses(), (TStringList{"notepad.exe"}));
}

TEST_F(Catalogue, ConnectionClosed) {
    Write(TDBFunc::InsertProgram("winword.exe", "Word", ""));
    db.CloseConnection();
    EXPECT_EQ(TDBFunc::ListPrograms(0).outcome, TReadOutcome::Failed);
    EXPECT_EQ(TDBFunc::GetProgramInfo("Word").outcome, TReadOutcome::Failed);
    // The writes cannot even start their transaction, and the roll-back that follows fails.
    EXPECT_THROW((void)TDBFunc::InsertProgram("a.exe", "A", ""), std::exception);
    EXPECT_THROW((void)TDBFunc::UpdateProgram("a.exe", "A", ""), std::exception);
    EXPECT_THROW((void)TDBFunc::DeleteProgram("a.exe"), std::exception);
    EXPECT_THROW((void)TDBFunc::SetProgramState(1, "A"), std::exception);
    // So does the work-process list's roll-back after its failed read.
    EXPECT_THROW((void)TDBFunc::ListWorkProcesses(), std::exception);
}

} // namespace
