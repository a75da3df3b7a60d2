// Hostile window captions and process names go through the sampler into the database and come back byte
// for byte (the caption cut to 254 bytes); nothing is interpreted as SQL.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/Sampler.h"
#include "platform/Text.h"
#include "storage/uDBFunc.h"
#include "support/FakeWindowSystem.h"
#include "support/TestDatabase.h"

namespace {

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int c : b)
        s += static_cast<char>(c);
    return s;
}

struct Case {
    std::string caption;
    std::string exe;
};

std::vector<Case> HostileCases() {
    std::string all; // every byte value but NUL, which a caption cannot hold
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    std::string longGbk;
    for (int i = 0; i < 200; ++i)
        longGbk += vh::text::Utf8ToGbk("汉");
    return {
        {"it's \"quoted\" 'twice''", "my prog's \"x\".exe"},
        {"'); DROP TABLE TIMEINFO; --", "x'; delete from tprogram; --.exe"},
        {"select * from timeinfo where 1=1 or ''='", "a b c.exe"},
        {std::string(10000, 'A'), std::string(255, 'p') + ".exe"}, // the longest name a Windows snapshot reports
        {Bytes({0xff, 0xfe, 0x80, 0xc0, 0xaf, 0xed, 0xa0, 0x80}), Bytes({0xff, 0x80, '.', 'e', 'x', 'e'})},
        {vh::text::Utf8ToGbk("emoji 😀 and ₿ and 한국어 and 汉字"), vh::text::Utf8ToGbk("记事本 (2).exe")},
        {all, "  leading and trailing blanks.exe  "},
        // 127 double-byte characters end exactly at 254 bytes; one more must not leave half of it behind
        // as a lone lead byte past 254.
        {longGbk, "gbk.exe"},
        {"   ", " "},
        {"\t\r\n\x01tabs and breaks\r\n", "ctl\t.exe"},
        // Longer than the column: stored cut, never lost.
        {"long name", std::string(257, 'q') + vh::text::Utf8ToGbk("汉汉.exe")},
    };
}

TEST(HostileSamples, StoredAndReadBackByteForByte) {
    vh::test::TestDatabase db;
    ASSERT_TRUE(db.errors.empty());
    auto& ws = vh::test::FakeWindowSystem::Install();
    SamplerSinks sinks;
    sinks.store = &StoreSample;
    std::vector<std::string> messages;
    sinks.showMessage = [&](const std::string& m) { messages.push_back(m); };
    TSampler sampler([]() -> vh::platform::WindowSystem& { return vh::platform::TheWindowSystem(); }, sinks);

    const auto cases = HostileCases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        ws.windows.clear();
        ws.processes.clear();
        ws.AddWindow(100 + i, cases[i].caption, 7000 + static_cast<std::uint32_t>(i));
        ws.AddProcess(7000 + static_cast<std::uint32_t>(i), cases[i].exe);
        db.Sql().Exec("delete from TIMEINFO");
        sampler.TakeSample();
        ASSERT_TRUE(messages.empty()) << "write wrong";
        const auto rows = db.Sql().Rows("select TITLE, PROCESS_NAME, DESCRIPTION from TIMEINFO");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][0], vh::text::CutBytes(cases[i].caption, 254));
        EXPECT_EQ(rows[0][1], vh::text::CutBytesWhole(cases[i].exe, 260));
        EXPECT_EQ(rows[0][2], "");
    }
    // Nothing was executed as SQL: both tables are still there.
    EXPECT_EQ(db.Sql().Scalar("select count(*) from TPROGRAM"), "0");
}

// The catalogue takes the same texts and finds them again by them.
TEST(HostileSamples, CatalogueRoundTrip) {
    vh::test::TestDatabase db;
    const auto cases = HostileCases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (vh::text::Trim(cases[i].exe).empty() || cases[i].exe.size() > 260)
            continue; // the schema refuses blank names and longer ones
        SCOPED_TRACE("case " + std::to_string(i));
        const std::string program = vh::text::CutBytes(cases[i].caption, 200) + std::to_string(i);
        ASSERT_EQ(TDBFunc::InsertProgram(cases[i].exe, program, cases[i].caption.substr(0, 1000)), TWriteResult::Done);
        const TRead<TProgramInfo> found = TDBFunc::GetProgramInfo(program);
        ASSERT_EQ(found.outcome, TReadOutcome::Rows) << "query failed";
        EXPECT_EQ(found.rows[0].processName, cases[i].exe);
        EXPECT_EQ(found.rows[0].description, cases[i].caption.substr(0, 1000));
    }
    // Query bounds are values: a hostile bound finds nothing instead of running as SQL.
    const TRead<TSampleRow> hostile =
        TDBFunc::QuerySamples("2000-01-01 00:00:00' or ''='", "x' union select * from tprogram --");
    EXPECT_NE(hostile.outcome, TReadOutcome::Rows);
    EXPECT_EQ(TDBFunc::ListPrograms(0).outcome, TReadOutcome::Rows);
}

} // namespace
