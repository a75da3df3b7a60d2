// Samples on a real database: storing, the range query and its outcomes, the tallies the database counts.
#include <gtest/gtest.h>

#include "platform/Text.h"
#include "storage/uDBFunc.h"
#include "storage/uDBMoudle.h"
#include "support/TestDatabase.h"

namespace {

using vh::text::Utf8ToGbk;

std::vector<std::pair<std::string, std::int64_t>> Groups(const TRead<TTallyRow>& read) {
    std::vector<std::pair<std::string, std::int64_t>> out;
    for (const auto& r : read.rows)
        out.emplace_back(r.name, r.count);
    return out;
}

class Samples : public ::testing::Test {
protected:
    vh::test::TestDatabase db;

    static void Add(const std::string& time, const std::string& caption, const std::string& process) {
        ASSERT_EQ(TDBFunc::InsertSample(time, caption, process, ""), TWriteResult::Done);
    }
    std::string RowCount() { return db.Sql().Scalar("select count(*) from timeinfo"); }
    static std::vector<std::string> Captions(const TRead<TSampleRow>& read) {
        std::vector<std::string> out;
        for (const auto& r : read.rows)
            out.push_back(r.caption);
        return out;
    }
};

TEST_F(Samples, RangeIsInclusiveAtBothEndsAndInTimeOrder) {
    ASSERT_TRUE(db.errors.empty()) << db.errors.front();
    Add("2026-03-01 11:00:00", "to", "a.exe");
    Add("2026-03-01 09:59:59", "before", "a.exe");
    Add("2026-03-01 10:00:00", "from", "a.exe");
    Add("2026-03-01 10:30:00", "inside", "b.exe");
    Add("2026-03-01 11:00:01", "after", "c.exe");
    ASSERT_EQ(RowCount(), "5");

    const TRead<TSampleRow> read = TDBFunc::QuerySamples("2026-03-01 10:00:00", "2026-03-01 11:00:00");
    EXPECT_EQ(read.outcome, TReadOutcome::Rows);
    EXPECT_EQ(Captions(read), (std::vector<std::string>{"from", "inside", "to"}));
    EXPECT_EQ(read.rows[0].time, "2026-03-01 10:00:00");
    EXPECT_EQ(read.rows[1].processName, "b.exe");
    // Groups by the first sample in time order, whatever order the samples were stored in.
    EXPECT_EQ(Groups(TDBFunc::CountByTitle("2026-03-01 10:00:00", "2026-03-01 11:00:00")),
              (std::vector<std::pair<std::string, std::int64_t>>{{"from", 1}, {"inside", 1}, {"to", 1}}));

    // A one-moment range holds the sample stored at that moment.
    EXPECT_EQ(Captions(TDBFunc::QuerySamples("2026-03-01 11:00:01", "2026-03-01 11:00:01")),
              std::vector<std::string>{"after"});
}

TEST_F(Samples, EmptyRangeReversedBoundsAndFailuresAreOutcomes) {
    Add("2026-03-01 10:00:00", "x", "a.exe");
    EXPECT_EQ(TDBFunc::QuerySamples("2026-03-01 10:00:01", "2026-03-01 10:00:00").outcome, TReadOutcome::NoRows);
    EXPECT_EQ(TDBFunc::QuerySamples("2026-03-02 00:00:00", "2026-03-03 00:00:00").outcome, TReadOutcome::NoRows);
    EXPECT_EQ(TDBFunc::CountByProcess("2026-03-02 00:00:00", "2026-03-03 00:00:00").outcome, TReadOutcome::NoRows);
    db.CloseConnection();
    EXPECT_EQ(TDBFunc::QuerySamples("2026-03-01 00:00:00", "2026-03-02 00:00:00").outcome, TReadOutcome::Failed);
    EXPECT_EQ(TDBFunc::CountByTitle("2026-03-01 00:00:00", "2026-03-02 00:00:00").outcome, TReadOutcome::Failed);
    EXPECT_EQ(TDBFunc::CountByDay("2026-03-01 00:00:00", "2026-03-02 00:00:00").outcome, TReadOutcome::Failed);
}

TEST_F(Samples, BoundsAreValuesNotSql) {
    Add("2026-03-01 10:00:00", "x", "a.exe");
    // Spliced into the select text, this would read "... >= '9999' or '1'='1' ..." and list every row.
    EXPECT_EQ(TDBFunc::QuerySamples("9999' or '1'='1", "9999").outcome, TReadOutcome::NoRows);
    EXPECT_EQ(TDBFunc::CountByProcess("9999' or '1'='1", "9999").outcome, TReadOutcome::NoRows);
    EXPECT_EQ(RowCount(), "1");
    // Bounds of other lengths compare as text, as literals would.
    EXPECT_EQ(TDBFunc::QuerySamples("2026-03-01", "2026-03-01 23:59:59.999").outcome, TReadOutcome::Rows);
    EXPECT_EQ(TDBFunc::CountByProcess("2026-03-01", "2026-03-01 23:59:59.999").rows.size(), 1u);
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
    ASSERT_EQ(TDBFunc::InsertSample("2026-03-01 10:03:00", "d", "d.exe", Utf8ToGbk("说明")), TWriteResult::Done);

    auto rows = db.Sql().Rows("select timedetail, title, process_name, description from timeinfo order by timedetail");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"2026-03-01 10:00:00", chinese, process, ""}));
    EXPECT_EQ(rows[1][1], longCaption);
    EXPECT_EQ(rows[2][1], sqlText);
    EXPECT_EQ(rows[3][3], Utf8ToGbk("说明"));

    const TRead<TTallyRow> tally = TDBFunc::CountByProcess("2026-03-01 10:00:00", "2026-03-01 10:03:00");
    std::vector<std::string> names;
    for (const auto& r : tally.rows)
        names.push_back(r.name);
    EXPECT_EQ(names, (std::vector<std::string>{process, "b.exe", "c.exe", "d.exe"}));
}

TEST_F(Samples, RefusedInsertIsAResultAndLeavesNothingBehind) {
    // Longer than the time column: the procedure call fails and is rolled back.
    EXPECT_EQ(TDBFunc::InsertSample("2026-03-01 10:00:00 and more", "x", "a.exe", ""), TWriteResult::TooLong);
    std::string tooLong(300, 'c');
    EXPECT_EQ(TDBFunc::InsertSample("2026-03-01 10:00:00", tooLong, "a.exe", ""), TWriteResult::TooLong);
    EXPECT_FALSE(db.Module().fibtrans2.Active());
    EXPECT_EQ(RowCount(), "0");
    // The transaction is free again for the next sample.
    Add("2026-03-01 10:00:00", "x", "a.exe");
    EXPECT_EQ(RowCount(), "1");
}

TEST_F(Samples, InsertWithConnectionClosedReachesTheCaller) {
    db.CloseConnection();
    EXPECT_THROW((void)TDBFunc::InsertSample("2026-03-01 10:00:00", "x", "a.exe", ""), std::exception);
    EXPECT_THROW((void)TDBFunc::DeleteAllSamples(), std::exception);
}

TEST_F(Samples, StoringWorksOnlyInItsOwnTransaction) {
    (void)TDBFunc::ListPrograms(0); // leaves fibtrans1 running
    ASSERT_TRUE(db.Module().fibtrans1.Active());
    Add("2026-03-01 10:00:00", "x", "a.exe");
    EXPECT_TRUE(db.Module().fibtrans1.Active());
    EXPECT_FALSE(db.Module().fibtrans2.Active()); // committed, a fresh one starts with the next sample
    EXPECT_EQ(RowCount(), "1");
}

TEST_F(Samples, DeleteAllRemovesEverySampleAndItsCounts) {
    Add("2026-03-01 10:00:00", "x", "a.exe");
    Add("2026-03-02 10:00:00", "y", "b.exe");
    ASSERT_TRUE(db.Module().HasTallies());
    ASSERT_NE(db.Sql().Scalar("select count(*) from timetally"), "0");
    EXPECT_EQ(TDBFunc::DeleteAllSamples(), TWriteResult::Done);
    EXPECT_EQ(RowCount(), "0");
    EXPECT_EQ(db.Sql().Scalar("select count(*) from timetally"), "0");
    EXPECT_FALSE(db.Module().fibtrans1.Active());
    EXPECT_EQ(TDBFunc::CountByProcess("2000-01-01 00:00:00", "2100-01-01 00:00:00").outcome, TReadOutcome::NoRows);
    // The next samples are counted again.
    Add("2026-03-03 10:00:00", "z", "c.exe");
    EXPECT_EQ(Groups(TDBFunc::CountByProcess("2026-03-01 00:00:00", "2026-03-31 23:59:59")),
              (std::vector<std::pair<std::string, std::int64_t>>{{"c.exe", 1}}));
}

using Tallies = Samples;

TEST_F(Tallies, ProcessNamesKeepFirstAppearanceCaseAndBlanks) {
    Add("2026-03-01 10:00:00", "t", "b.exe");
    Add("2026-03-01 10:01:00", "t", " a.exe ");
    Add("2026-03-01 10:02:00", "t", "a.exe");
    Add("2026-03-01 10:03:00", "t", "A.exe");
    Add("2026-03-01 10:04:00", "t", "b.exe");
    Add("2026-03-01 10:05:00", "t", "a.exe");
    // Blanks around a name do not split a group; the name stands as first read. Case splits.
    EXPECT_EQ(Groups(TDBFunc::CountByProcess("2026-03-01 00:00:00", "2026-03-01 23:59:59")),
              (std::vector<std::pair<std::string, std::int64_t>>{{"b.exe", 2}, {" a.exe ", 3}, {"A.exe", 1}}));
}

TEST_F(Tallies, TitlesAreTrimmedAndCaseSensitive) {
    Add("2026-03-01 10:00:00", "  Editor", "e.exe");
    Add("2026-03-01 10:01:00", "Editor  ", "e.exe");
    Add("2026-03-01 10:02:00", "editor", "e.exe");
    Add("2026-03-01 10:03:00", "", "e.exe");
    Add("2026-03-01 10:04:00", Utf8ToGbk(" 浏览器 "), "f.exe");
    Add("2026-03-01 10:05:00", "   ", "f.exe");
    EXPECT_EQ(Groups(TDBFunc::CountByTitle("2026-03-01 00:00:00", "2026-03-01 23:59:59")),
              (std::vector<std::pair<std::string, std::int64_t>>{
                  {"Editor", 2}, {"editor", 1}, {"", 2}, {Utf8ToGbk("浏览器"), 1}}));
}

// The database counts whole months and days from the kept counts and only the ragged ends from the samples:
// for every range, that gives what counting each sample of the range gives.
TEST_F(Tallies, KeptCountsAgreeWithCountingEverySample) {
    const char* moments[] = {"2026-01-31 23:59:59", "2026-02-01 00:00:00", "2026-02-01 00:00:01", "2026-02-14 12:00:00",
                             "2026-02-28 23:59:59", "2026-03-01 00:00:00", "2026-03-15 08:30:00", "2026-03-31 23:59:59",
                             "2026-04-01 00:00:00", "2026-12-31 23:59:59", "2027-01-01 00:00:00"};
    const char* processes[] = {"a.exe", "b.exe", "A.exe", " a.exe", "c.exe"};
    int i = 0;
    for (const char* m : moments) {
        Add(m, "t" + std::to_string(i % 3), processes[i % 5]);
        Add(m, " t" + std::to_string(i % 2), processes[(i + 2) % 5]);
        ++i;
    }
    // The same counts from the samples alone, as the program counted before the database kept them.
    const auto counted = [](const std::string& from, const std::string& to, bool byTitle) {
        std::vector<TTallyRow> rows;
        for (const TSampleRow& r : TDBFunc::QuerySamples(from, to).rows)
            rows.push_back({byTitle ? r.caption : r.processName, 1, r.time});
        return vh::storage::MergeTallyRows(rows, byTitle);
    };
    const std::pair<const char*, const char*> ranges[] = {
        {"2026-01-01 00:00:00", "2027-12-31 23:59:59"}, {"2026-02-01 00:00:00", "2026-02-28 23:59:59"},
        {"2026-02-01 00:00:01", "2026-03-31 23:59:58"}, {"2026-01-31 23:59:59", "2026-04-01 00:00:00"},
        {"2026-02-14 00:00:00", "2026-03-15 23:59:59"}, {"2026-03-15 08:30:00", "2026-03-15 08:30:00"},
        {"2026-12-31 23:00:00", "2027-01-01 01:00:00"}, {"2026-04-01 00:00:00", "2026-03-01 00:00:00"},
    };
    for (const auto& [from, to] : ranges) {
        SCOPED_TRACE(std::string(from) + " .. " + to);
        for (bool byTitle : {false, true}) {
            const TRead<TTallyRow> kept = byTitle ? TDBFunc::CountByTitle(from, to) : TDBFunc::CountByProcess(from, to);
            const std::vector<TTallyRow> each = counted(from, to, byTitle);
            ASSERT_EQ(kept.rows.size(), each.size()) << byTitle;
            for (std::size_t g = 0; g < each.size(); ++g) {
                EXPECT_EQ(kept.rows[g].name, each[g].name) << g;
                EXPECT_EQ(kept.rows[g].count, each[g].count) << g;
            }
        }
        std::int64_t perDay = 0;
        for (const TDayCount& d : TDBFunc::CountByDay(from, to).rows)
            perDay += d.count;
        EXPECT_EQ(perDay, static_cast<std::int64_t>(TDBFunc::QuerySamples(from, to).rows.size()));
    }
    // A sample changed or removed by another tool is counted as it now is.
    db.Sql().Exec("update timeinfo set process_name = 'z.exe' where timedetail = '2026-02-14 12:00:00'");
    db.Sql().Exec("delete from timeinfo where timedetail = '2026-03-15 08:30:00'");
    const TRead<TTallyRow> after = TDBFunc::CountByProcess("2026-01-01 00:00:00", "2027-12-31 23:59:59");
    const std::vector<TTallyRow> each = counted("2026-01-01 00:00:00", "2027-12-31 23:59:59", false);
    ASSERT_EQ(after.rows.size(), each.size());
    for (std::size_t g = 0; g < each.size(); ++g)
        EXPECT_EQ(after.rows[g].count, each[g].count) << each[g].name;
}

// A database made before the kept counts gets them when the program opens it, counted from what it holds.
TEST(TalliesUpgrade, AnOlderDatabaseGetsItsCountsAtOpening) {
    vh::test::TestDatabase db;
    db.CloseConnection();
    for (const char* statement : {"drop trigger TIMEINFO_TALLY_INSERT", "drop trigger TIMEINFO_TALLY_UPDATE",
                                  "drop trigger TIMEINFO_TALLY_DELETE", "drop procedure TALLY_SAMPLE",
                                  "drop procedure TALLY_ADD", "drop table TIMETALLY"})
        db.Sql().Exec(statement);
    db.Sql().Exec("execute procedure INSERTVALUE('2025-05-01 09:00:00', 'old', 'old.exe', '')");
    db.Sql().Exec("execute procedure INSERTVALUE('2025-05-02 09:00:00', 'old', 'old.exe', '')");
    db.Restart();
    ASSERT_TRUE(db.errors.empty());
    EXPECT_TRUE(db.Module().HasTallies());
    EXPECT_EQ(db.Sql().Scalar("select sum(n) from timetally where kind = 0"), "2");
    EXPECT_EQ(Groups(TDBFunc::CountByProcess("2025-05-01 00:00:00", "2025-05-31 23:59:59")),
              (std::vector<std::pair<std::string, std::int64_t>>{{"old.exe", 2}}));
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

    std::vector<TProcessUse> uses = TDBFunc::ListRecentProcesses("2024-02-01 00:00:00", 10).rows;
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

    EXPECT_EQ(TDBFunc::ListRecentProcesses("2024-02-01 00:00:00", 2).rows.size(), 2u);
    EXPECT_EQ(TDBFunc::ListRecentProcesses("2025-01-01 00:00:00", 10).outcome, TReadOutcome::NoRows);
    // A bound is a value, not SQL.
    EXPECT_EQ(TDBFunc::ListRecentProcesses("9' or 1=1 --", 10).outcome, TReadOutcome::NoRows);

    db.CloseConnection();
    EXPECT_EQ(TDBFunc::ListRecentProcesses("2024-02-01 00:00:00", 10).outcome, TReadOutcome::Failed);
}

} // namespace
