// Samples on a real database: storing, the range query and its result codes, the two tallies.
#include <gtest/gtest.h>

#include "platform/Text.h"
#include "storage/uDBFunc.h"
#include "storage/uDBMoudle.h"
#include "support/TestDatabase.h"

namespace {

using vh::text::Utf8ToGbk;

class Samples : public ::testing::Test {
protected:
    vh::test::TestDatabase db;

    static void Add(const std::string& time, const std::string& caption, const std::string& process) {
        TDBFunc::InsertSample(time, caption, process, "");
    }
    std::string RowCount() { return db.Sql().Scalar("select count(*) from timeinfo"); }
};

TEST_F(Samples, RangeIsInclusiveAtBothEnds) {
    ASSERT_TRUE(db.errors.empty()) << db.errors.front();
    Add("2026-03-01 09:59:59", "before", "a.exe");
    Add("2026-03-01 10:00:00", "from", "a.exe");
    Add("2026-03-01 10:30:00", "inside", "b.exe");
    Add("2026-03-01 11:00:00", "to", "a.exe");
    Add("2026-03-01 11:00:01", "after", "c.exe");
    ASSERT_EQ(RowCount(), "5");

    std::string from = "2026-03-01 10:00:00";
    TDBFunc::QuerySamples(from, "2026-03-01 11:00:00");
    EXPECT_EQ(from, "2026-03-01 10:00:00");
    TStringList counts, names;
    TDBFunc::CountByTitle(counts, names);
    EXPECT_EQ(names, (TStringList{"from", "inside", "to"}));
    EXPECT_EQ(counts, (TStringList{"1", "1", "1"}));

    // A one-moment range holds the sample stored at that moment.
    from = "2026-03-01 11:00:01";
    TDBFunc::QuerySamples(from, "2026-03-01 11:00:01");
    EXPECT_EQ(from, "2026-03-01 11:00:01");
}

TEST_F(Samples, EmptyRangeAndReversedBoundsGiveMinusOne) {
    Add("2026-03-01 10:00:00", "x", "a.exe");
    std::string from = "2026-03-01 10:00:01";
    TDBFunc::QuerySamples(from, "2026-03-01 10:00:00");
    EXPECT_EQ(from, "-1");
    from = "2026-03-02 00:00:00";
    TDBFunc::QuerySamples(from, "2026-03-03 00:00:00");
    EXPECT_EQ(from, "-1");
}

TEST_F(Samples, BoundsAreValuesNotSql) {
    Add("2026-03-01 10:00:00", "x", "a.exe");
    // Spliced into the select text, this would read "... >= '9999' or '1'='1' ..." and list every row.
    std::string from = "9999' or '1'='1";
    TDBFunc::QuerySamples(from, "9999");
    EXPECT_EQ(from, "-1");
    EXPECT_EQ(RowCount(), "1");
    // Bounds of other lengths compare as text, as literals would.
    from = "2026-03-01";
    TDBFunc::QuerySamples(from, "2026-03-01 23:59:59.999");
    EXPECT_EQ(from, "2026-03-01");
}

TEST_F(Samples, FailedQueryGivesMinusTwo) {
    Add("2026-03-01 10:00:00", "x", "a.exe");
    db.CloseConnection();
    std::string from = "2026-03-01 00:00:00";
    TDBFunc::QuerySamples(from, "2026-03-02 00:00:00");
    EXPECT_EQ(from, "-2");
}

TEST_F(Samples, TimeTextIsTrimmedAndTextStoredByteForByte) {
    const std::string chinese = Utf8ToGbk("微信 - 和\"张三\"的聊天 'x'");
    std::string longCaption;
    while (longCaption.size() < 254)
        longCaption += Utf8ToGbk("长");
    ASSERT_EQ(longCaption.size(), 254u);
    const std::string sqlText = "'); delete from timeinfo; --";
    const std::string process = Utf8ToGbk("记事本.exe");

    Add("  2026-03-01 10:00:00\t", chinese, process);
    Add("2026-03-01 10:01:00", longCaption, "b.exe");
    Add("2026-03-01 10:02:00", sqlText, "c.exe");
    TDBFunc::InsertSample("2026-03-01 10:03:00", "d", "d.exe", Utf8ToGbk("说明"));

    auto rows = db.Sql().Rows("select timedetail, title, process_name, description from timeinfo order by timedetail");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"2026-03-01 10:00:00", chinese, process, ""}));
    EXPECT_EQ(rows[1][1], longCaption);
    EXPECT_EQ(rows[2][1], sqlText);
    EXPECT_EQ(rows[3][3], Utf8ToGbk("说明"));

    std::string from = "2026-03-01 10:00:00";
    TDBFunc::QuerySamples(from, "2026-03-01 10:03:00");
    TStringList counts, names;
    TDBFunc::CountByProcess(counts, names);
    EXPECT_EQ(names, (TStringList{process, "b.exe", "c.exe", "d.exe"}));
}

TEST_F(Samples, FailingInsertIsSilentAndLeavesNothingBehind) {
    // Longer than the time column: the procedure call fails and is rolled back.
    EXPECT_NO_THROW(TDBFunc::InsertSample("2026-03-01 10:00:00 and more", "x", "a.exe", ""));
    std::string tooLong(300, 'c');
    EXPECT_NO_THROW(TDBFunc::InsertSample("2026-03-01 10:00:00", tooLong, "a.exe", ""));
    EXPECT_FALSE(db.Module().fibtrans2.Active());
    EXPECT_EQ(RowCount(), "0");
    // The transaction is free again for the next sample.
    Add("2026-03-01 10:00:00", "x", "a.exe");
    EXPECT_EQ(RowCount(), "1");
}

TEST_F(Samples, InsertWithConnectionClosedReachesTheCaller) {
    db.CloseConnection();
    EXPECT_THROW(Add("2026-03-01 10:00:00", "x", "a.exe"), std::exception);
    EXPECT_THROW(TDBFunc::DeleteAllSamples(), std::exception);
}

TEST_F(Samples, StoringWorksOnlyInItsOwnTransaction) {
    TStringList list;
    TDBFunc::ListPrograms(list, "0"); // leaves fibtrans1 running
    ASSERT_TRUE(db.Module().fibtrans1.Active());
    Add("2026-03-01 10:00:00", "x", "a.exe");
    EXPECT_TRUE(db.Module().fibtrans1.Active());
    EXPECT_FALSE(db.Module().fibtrans2.Active()); // committed, a fresh one starts with the next sample
    EXPECT_EQ(RowCount(), "1");
}

TEST_F(Samples, DeleteAllRemovesEverySample) {
    Add("2026-03-01 10:00:00", "x", "a.exe");
    Add("2026-03-02 10:00:00", "y", "b.exe");
    TDBFunc::DeleteAllSamples();
    EXPECT_EQ(RowCount(), "0");
    EXPECT_FALSE(db.Module().fibtrans1.Active());
    std::string from = "2000-01-01 00:00:00";
    TDBFunc::QuerySamples(from, "2100-01-01 00:00:00");
    EXPECT_EQ(from, "-1");
}

class Tallies : public Samples {
protected:
    void Query() {
        std::string from = "2026-03-01 00:00:00";
        TDBFunc::QuerySamples(from, "2026-03-01 23:59:59");
        ASSERT_EQ(from, "2026-03-01 00:00:00");
    }
};

TEST_F(Tallies, ProcessNamesKeepFirstAppearanceCaseAndBlanks) {
    Add("2026-03-01 10:00:00", "t", "b.exe");
    Add("2026-03-01 10:01:00", "t", " a.exe ");
    Add("2026-03-01 10:02:00", "t", "a.exe");
    Add("2026-03-01 10:03:00", "t", "A.exe");
    Add("2026-03-01 10:04:00", "t", "b.exe");
    Add("2026-03-01 10:05:00", "t", "a.exe");
    Query();
    TStringList counts, names;
    TDBFunc::CountByProcess(counts, names);
    // Blanks around a name do not split a group; the name stands as first read. Case splits.
    EXPECT_EQ(names, (TStringList{"b.exe", " a.exe ", "A.exe"}));
    EXPECT_EQ(counts, (TStringList{"2", "3", "1"}));
}

TEST_F(Tallies, TitlesAreTrimmedAndCaseSensitive) {
    Add("2026-03-01 10:00:00", "  Editor", "e.exe");
    Add("2026-03-01 10:01:00", "Editor  ", "e.exe");
    Add("2026-03-01 10:02:00", "editor", "e.exe");
    Add("2026-03-01 10:03:00", "", "e.exe");
    Add("2026-03-01 10:04:00", Utf8ToGbk(" 浏览器 "), "f.exe");
    Add("2026-03-01 10:05:00", "   ", "f.exe");
    Query();
    TStringList counts, names;
    TDBFunc::CountByTitle(counts, names);
    EXPECT_EQ(names, (TStringList{"Editor", "editor", "", Utf8ToGbk("浏览器")}));
    EXPECT_EQ(counts, (TStringList{"2", "1", "2", "1"}));
}

TEST_F(Tallies, AppendToTheCallersLists) {
    Add("2026-03-01 10:00:00", "t", "x.exe");
    Add("2026-03-01 10:01:00", "t", "y.exe");
    Add("2026-03-01 10:02:00", "t", "x.exe");
    Query();
    TStringList counts{"5", "7"}, names{" x.exe", "z.exe"};
    TDBFunc::CountByProcess(counts, names);
    EXPECT_EQ(names, (TStringList{" x.exe", "z.exe", "y.exe"}));
    EXPECT_EQ(counts, (TStringList{"7", "7", "1"}));
    // A count that is not a number fails the tally.
    TStringList badCounts{"many"}, badNames{"x.exe"};
    EXPECT_THROW(TDBFunc::CountByProcess(badCounts, badNames), std::exception);
}

TEST_F(Tallies, ReflectTheLastQueryOnly) {
    Add("2026-03-01 10:00:00", "t", "x.exe");
    Add("2026-03-02 10:00:00", "t", "y.exe");
    Query();
    std::string from = "2026-03-02 00:00:00";
    TDBFunc::QuerySamples(from, "2026-03-02 23:59:59");
    TStringList counts, names;
    TDBFunc::CountByProcess(counts, names);
    EXPECT_EQ(names, (TStringList{"y.exe"}));
    // Both tallies read the same rows, any number of times.
    counts.clear();
    names.clear();
    TDBFunc::CountByTitle(counts, names);
    TDBFunc::CountByTitle(counts, names);
    EXPECT_EQ(counts, (TStringList{"2"}));

    // The program list shares the result set: after it a tally has no sample rows to read.
    TStringList programs;
    TDBFunc::InsertProgram("p.exe", "P", "");
    ASSERT_TRUE(TDBFunc::ListPrograms(programs, "0"));
    counts.clear();
    names.clear();
    EXPECT_THROW(TDBFunc::CountByProcess(counts, names), std::exception);
}

TEST_F(Tallies, WithoutAnyQueryFail) {
    TStringList counts, names;
    EXPECT_THROW(TDBFunc::CountByTitle(counts, names), std::exception);
    EXPECT_TRUE(names.empty());
}

// What the add dialog offers: the processes sampled since a moment, most samples first, at most a limit,
// each with the caption of its latest sample; older samples are not looked at.
TEST_F(Samples, RecentProcessesMostFrequentFirstBoundedBySinceAndLimit) {
    const std::string writer = Utf8ToGbk("计划.odt - LibreOffice Writer");
    Add("2024-01-01 08:00:00", "old", "old.exe"); // before the window: never offered
    Add("2024-01-01 08:01:00", "old", "old.exe");
    Add("2024-01-01 08:02:00", "old", "old.exe");
    Add("2024-01-01 08:03:00", "old", "xterm");
    Add("2024-03-01 09:00:00", "a", "soffice.bin");
    Add("2024-03-01 09:01:00", "t1", "xterm");
    Add("2024-03-01 09:02:00", writer, "soffice.bin");
    Add("2024-03-01 09:03:00", "t2", "xterm");
    Add("2024-03-01 09:04:00", "t3", "xterm");
    Add("2024-03-01 09:05:00", "f", "firefox-esr");
    Add("2024-03-01 09:06:00", "c", "calc");

    std::vector<TProcessUse> uses;
    ASSERT_TRUE(TDBFunc::ListRecentProcesses("2024-02-01 00:00:00", 10, uses));
    std::vector<std::string> names;
    for (const auto& u : uses)
        names.push_back(u.processName);
    // Ties by name; old.exe lies before the window, and xterm's old sample is not counted.
    EXPECT_EQ(names, (std::vector<std::string>{"xterm", "soffice.bin", "calc", "firefox-esr"}));
    ASSERT_EQ(uses.size(), 4u);
    EXPECT_EQ(uses[0].count, 3);
    EXPECT_EQ(uses[0].lastCaption, "t3");
    EXPECT_EQ(uses[1].count, 2);
    EXPECT_EQ(uses[1].lastCaption, writer);
    EXPECT_EQ(uses[1].lastSeen, "2024-03-01 09:02:00");

    ASSERT_TRUE(TDBFunc::ListRecentProcesses("2024-02-01 00:00:00", 2, uses));
    EXPECT_EQ(uses.size(), 2u);
    ASSERT_TRUE(TDBFunc::ListRecentProcesses("2025-01-01 00:00:00", 10, uses));
    EXPECT_TRUE(uses.empty());
    // A bound is a value, not SQL.
    ASSERT_TRUE(TDBFunc::ListRecentProcesses("9' or 1=1 --", 10, uses));
    EXPECT_TRUE(uses.empty());

    db.CloseConnection();
    EXPECT_FALSE(TDBFunc::ListRecentProcesses("2024-02-01 00:00:00", 10, uses));
    EXPECT_TRUE(uses.empty());
}

} // namespace
