// The program catalogue on a real database: entries, states, look-up, lists and refused writes.
#include <gtest/gtest.h>

#include "platform/Text.h"
#include "storage/uDBFunc.h"
#include "storage/uDBMoudle.h"
#include "support/TestDatabase.h"

namespace {

using vh::text::Utf8ToGbk;

class Catalogue : public ::testing::Test {
protected:
    vh::test::TestDatabase db;

    TStringList Programs(const std::string& lowest) {
        TStringList list;
        TDBFunc::ListPrograms(list, lowest);
        return list;
    }
    TStringList WorkProcesses() {
        std::optional<TStringList> list;
        TDBFunc::ListWorkProcesses(list);
        return list.value_or(TStringList{"<none>"});
    }
    std::vector<std::vector<std::string>> Rows() {
        return db.Sql().Rows("select processname, programname, programdes, bnormal from tprogram order by processname");
    }
};

TEST_F(Catalogue, EmptyCatalogueListsNothing) {
    TStringList list{"left over"};
    EXPECT_FALSE(TDBFunc::ListPrograms(list, "0"));
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(WorkProcesses().empty());
}

TEST_F(Catalogue, NewEntryIsSelectableNotWork) {
    TDBFunc::InsertProgram("winword.exe", "Word", Utf8ToGbk("文字处理"));
    EXPECT_EQ(Programs("0"), (TStringList{"Word"}));
    TStringList work;
    EXPECT_FALSE(TDBFunc::ListPrograms(work, "1"));
    EXPECT_TRUE(work.empty());
    EXPECT_TRUE(WorkProcesses().empty());
    EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{{"winword.exe", "Word", Utf8ToGbk("文字处理"), "0"}}));
}

TEST_F(Catalogue, StateChangesByProgramName) {
    TDBFunc::InsertProgram("winword.exe", "Word", "");
    TDBFunc::InsertProgram("qq.exe", "QQ", "");
    TDBFunc::SetProgramState(1, "Word");
    EXPECT_EQ(Programs("1"), (TStringList{"Word"}));
    EXPECT_EQ(Programs("0").size(), 2u);
    EXPECT_EQ(WorkProcesses(), (TStringList{"winword.exe"}));

    // A state above 1 counts for "at least 1" but not for "equal to 1".
    TDBFunc::SetProgramState(2, "QQ");
    EXPECT_EQ(Programs("1").size(), 2u);
    EXPECT_EQ(WorkProcesses(), (TStringList{"winword.exe"}));

    TDBFunc::SetProgramState(0, "Word");
    TDBFunc::SetProgramState(0, "QQ");
    EXPECT_TRUE(Programs("1").empty());
    // An unknown name changes nothing and says nothing.
    EXPECT_NO_THROW(TDBFunc::SetProgramState(1, "nobody"));
    EXPECT_TRUE(Programs("1").empty());
}

TEST_F(Catalogue, UpdateByProcessNameKeepsStateAndKey) {
    TDBFunc::InsertProgram("winword.exe", "Word", "old");
    TDBFunc::SetProgramState(1, "Word");
    TDBFunc::UpdateProgram("winword.exe", "Microsoft Word", "new");
    EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{{"winword.exe", "Microsoft Word", "new", "1"}}));
    EXPECT_EQ(Programs("1"), (TStringList{"Microsoft Word"}));
    // An unknown process name changes nothing.
    TDBFunc::UpdateProgram("other.exe", "X", "y");
    EXPECT_EQ(Rows().size(), 1u);
}

TEST_F(Catalogue, DeleteByProcessName) {
    TDBFunc::InsertProgram("winword.exe", "Word", "");
    TDBFunc::InsertProgram("qq.exe", "QQ", "");
    TDBFunc::DeleteProgram("qq.exe");
    EXPECT_EQ(Programs("0"), (TStringList{"Word"}));
    TDBFunc::DeleteProgram("missing.exe");
    EXPECT_EQ(Programs("0"), (TStringList{"Word"}));
}

TEST_F(Catalogue, LookUp) {
    TDBFunc::InsertProgram("winword.exe", "Word", Utf8ToGbk("写作"));
    std::string process, description;
    ASSERT_TRUE(Programs("0").size() == 1u);
    EXPECT_TRUE(TDBFunc::GetProgramInfo("Word", process, description));
    EXPECT_EQ(process, "winword.exe");
    EXPECT_EQ(description, Utf8ToGbk("写作"));

    // Unknown: success, outputs untouched.
    process = "keep";
    description = "keep too";
    EXPECT_TRUE(TDBFunc::GetProgramInfo("Excel", process, description));
    EXPECT_EQ(process, "keep");
    EXPECT_EQ(description, "keep too");
}

TEST_F(Catalogue, BlankLookUpRunsNoQuery) {
    TDBFunc::InsertProgram("winword.exe", "Word", "");
    ASSERT_FALSE(db.Module().fibtrans1.Active()); // the write committed
    std::string process = "keep", description = "keep";
    EXPECT_FALSE(TDBFunc::GetProgramInfo(" \t ", process, description));
    EXPECT_FALSE(TDBFunc::GetProgramInfo("", process, description));
    EXPECT_EQ(process, "keep");
    EXPECT_EQ(description, "keep");
    EXPECT_FALSE(db.Module().fibtrans1.Active()); // a query would have started it
}

TEST_F(Catalogue, LookUpRightAfterAWriteFindsTheEntry) {
    // The entry was just added and nothing has refilled a list: the look-up must still see it.
    TDBFunc::InsertProgram("winword.exe", "Word", "d");
    ASSERT_FALSE(db.Module().fibtrans1.Active());
    std::string process, description;
    EXPECT_TRUE(TDBFunc::GetProgramInfo("Word", process, description));
    EXPECT_EQ(process, "winword.exe");
    EXPECT_EQ(description, "d");
}

TEST_F(Catalogue, WorkProcessListIsCreatedOrRefilled) {
    TDBFunc::InsertProgram("winword.exe", "Word", "");
    TDBFunc::SetProgramState(1, "Word");
    std::optional<TStringList> created;
    TDBFunc::ListWorkProcesses(created);
    ASSERT_TRUE(created.has_value());
    EXPECT_EQ(*created, (TStringList{"winword.exe"}));

    std::optional<TStringList> given = TStringList{"stale.exe", "old.exe"};
    TDBFunc::ListWorkProcesses(given);
    EXPECT_EQ(*given, (TStringList{"winword.exe"}));
}

TEST_F(Catalogue, ListProgramsStateIsAValue) {
    TDBFunc::InsertProgram("winword.exe", "Word", "");
    TDBFunc::InsertProgram("qq.exe", "QQ", "");
    TDBFunc::SetProgramState(1, "Word");
    EXPECT_EQ(Programs(" 1 "), (TStringList{"Word"}));
    EXPECT_EQ(Programs("-5").size(), 2u);
    TStringList list{"left over"};
    // Spliced into the select text, "1 or 1=1" would list every entry.
    EXPECT_FALSE(TDBFunc::ListPrograms(list, "1 or 1=1"));
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(TDBFunc::ListPrograms(list, "x"));
    EXPECT_FALSE(TDBFunc::ListPrograms(list, ""));
    EXPECT_FALSE(TDBFunc::ListPrograms(list, "99999999999999999999"));
}

TEST_F(Catalogue, RefusedWritesAreRolledBackAndSayWhy) {
    EXPECT_EQ(TDBFunc::InsertProgram("winword.exe", "Word", "first"), TWriteResult::Done);
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
    EXPECT_EQ(TDBFunc::InsertProgram("qq.exe", "QQ", ""), TWriteResult::Done);
    EXPECT_EQ(TDBFunc::UpdateProgram("qq.exe", "Word", "x"), TWriteResult::ProgramNameExists);
    EXPECT_EQ(TDBFunc::UpdateProgram("qq.exe", "QQ", std::string(1001, 'd')), TWriteResult::TooLong);
    EXPECT_EQ(Programs("0"), (TStringList{"Word", "QQ"}));

    // Nothing is left half-done: the next writes go through.
    EXPECT_EQ(TDBFunc::InsertProgram("excel.exe", "Excel", ""), TWriteResult::Done);
    EXPECT_EQ(TDBFunc::UpdateProgram("excel.exe", "Excel 2", ""), TWriteResult::Done);
    EXPECT_EQ(TDBFunc::SetProgramState(1, "QQ"), TWriteResult::Done);
    EXPECT_EQ(TDBFunc::DeleteProgram("qq.exe"), TWriteResult::Done);
    EXPECT_EQ(Rows().size(), 2u);
}

TEST_F(Catalogue, StateByProcessNameMarksThatEntryOnly) {
    TDBFunc::InsertProgram("notepad.exe", "Editor", "text");
    // Another process's entry whose program name is what a window caption might say.
    TDBFunc::InsertProgram("other.exe", "notepad.exe", "");
    std::string name;
    EXPECT_TRUE(TDBFunc::GetProgramByProcess("notepad.exe", name));
    EXPECT_EQ(name, "Editor");
    name = "keep";
    EXPECT_FALSE(TDBFunc::GetProgramByProcess("missing.exe", name));
    EXPECT_EQ(name, "keep");

    EXPECT_EQ(TDBFunc::SetProgramStateByProcess(1, "notepad.exe"), TWriteResult::Done);
    EXPECT_EQ(TDBFunc::SetProgramStateByProcess(1, "missing.exe"), TWriteResult::Failed);
    EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{{"notepad.exe", "Editor", "text", "1"},
                                                             {"other.exe", "notepad.exe", "", "0"}}));
    EXPECT_EQ(WorkProcesses(), (TStringList{"notepad.exe"}));
}

TEST_F(Catalogue, ConnectionClosed) {
    TDBFunc::InsertProgram("winword.exe", "Word", "");
    db.CloseConnection();
    TStringList list{"x"};
    EXPECT_FALSE(TDBFunc::ListPrograms(list, "0"));
    EXPECT_TRUE(list.empty());
    std::string process = "keep", description = "keep";
    EXPECT_FALSE(TDBFunc::GetProgramInfo("Word", process, description));
    EXPECT_EQ(process, "keep");
    // The writes cannot even start their transaction, and the roll-back that follows fails.
    EXPECT_THROW(TDBFunc::InsertProgram("a.exe", "A", ""), std::exception);
    EXPECT_THROW(TDBFunc::UpdateProgram("a.exe", "A", ""), std::exception);
    EXPECT_THROW(TDBFunc::DeleteProgram("a.exe"), std::exception);
    EXPECT_THROW(TDBFunc::SetProgramState(1, "A"), std::exception);
    // The work-process list is neither created nor cleared.
    std::optional<TStringList> none;
    EXPECT_THROW(TDBFunc::ListWorkProcesses(none), std::exception);
    EXPECT_FALSE(none.has_value());
    std::optional<TStringList> given = TStringList{"old.exe"};
    EXPECT_THROW(TDBFunc::ListWorkProcesses(given), std::exception);
    EXPECT_EQ(*given, (TStringList{"old.exe"}));
}

} // namespace
