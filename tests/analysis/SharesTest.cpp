#include <gtest/gtest.h>
#include <set>

#include "analysis/CsvExport.h"
#include "analysis/Shares.h"
#include "platform/Text.h"

using namespace vh::analysis;

namespace {
vh::DateTime At(int y, int mo, int d, int h, int mi, int s) {
    vh::DateTime t;
    t.year = y;
    t.month = mo;
    t.day = d;
    t.hour = h;
    t.minute = mi;
    t.second = s;
    return t;
}
} // namespace

TEST(RangeBounds, DateOfOnePickerAndTimeOfTheOther) {
    const vh::DateTime start = CombineDateTime(At(2024, 3, 2, 23, 59, 59), At(1899, 12, 30, 9, 5, 3));
    const vh::DateTime end = CombineDateTime(At(2024, 12, 31, 0, 0, 0), At(2000, 1, 1, 23, 0, 7));
    const RangeBounds b = FormatRangeBounds(start, end);
    EXPECT_EQ(b.from, "2024-03-02 09:05:03");
    EXPECT_EQ(b.to, "2024-12-31 23:00:07");
}

TEST(TimeShares, SharesInTheOrderOfTheTally) {
    const auto shares = BuildTimeShares({"3", "1"}, {"code.exe", "game.exe"});
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0].name, "code.exe");
    EXPECT_EQ(shares[0].count, 3);
    EXPECT_DOUBLE_EQ(shares[0].share, 75.0);
    EXPECT_EQ(FormatShare(shares[0].share), "75 %");
    EXPECT_EQ(shares[1].name, "game.exe");
    EXPECT_EQ(FormatShare(shares[1].share), "25 %");
}

TEST(TimeShares, BadListsDoNotBreakTheTally) {
    // A count that is no number weighs nothing; a missing partner entry drops the pair.
    const auto shares = BuildTimeShares({"2", "x", "2", "5"}, {"a", "b", "c"});
    ASSERT_EQ(shares.size(), 3u);
    EXPECT_EQ(shares[1].count, 0);
    EXPECT_EQ(FormatShare(shares[0].share), "50 %");
    EXPECT_EQ(FormatShare(shares[1].share), "0 %");
    EXPECT_TRUE(BuildTimeShares({}, {}).empty());
    EXPECT_EQ(BuildTimeShares({"0"}, {"a"})[0].share, 0.0);
}

TEST(ShareText, AtMostTwoDecimalsNoTrailingZeros) {
    EXPECT_EQ(FormatShare(100.0 / 3), "33.33 %");
    EXPECT_EQ(FormatShare(200.0 / 3), "66.67 %");
    EXPECT_EQ(FormatShare(100.0 / 8), "12.5 %");
    EXPECT_EQ(FormatShare(100.0), "100 %");
    EXPECT_EQ(FormatShare(0.0), "0 %");
    EXPECT_EQ(FormatShare(100.0 / 300), "0.33 %");
    EXPECT_EQ(FormatShare(0.004), "0 %");
    EXPECT_EQ(FormatShare(99.999), "100 %");
    EXPECT_EQ(FormatShare(5.1), "5.1 %");
}

TEST(ShareText, RoundsHalfAwayFromZeroOnDecimalDigits) {
    // 1.005 and 0.125 have no exact binary form or sit exactly on the half: both round up.
    EXPECT_EQ(FormatShare(1.005), "1.01 %");
    EXPECT_EQ(FormatShare(0.125), "0.13 %");
    EXPECT_EQ(FormatShare(2.675), "2.68 %");
    EXPECT_EQ(FormatShare(-0.125), "-0.13 %");
    EXPECT_EQ(FormatShare(-0.001), "0 %");
}

TEST(ShareText, UsesTheGivenDecimalSeparator) {
    EXPECT_EQ(FormatShare(100.0 / 3, ','), "33,33 %");
    EXPECT_EQ(FormatShare(100.0, ','), "100 %");
}

TEST(NumericPrefix, LeadingDigitsAndPoints) {
    EXPECT_EQ(NumericPrefix("33.33 %"), "33.33");
    EXPECT_EQ(NumericPrefix("100 %"), "100");
    EXPECT_EQ(NumericPrefix("abc"), "0");
    EXPECT_EQ(NumericPrefix(""), "0");
    EXPECT_EQ(NumericPrefix(" 5 %"), "0");
    EXPECT_EQ(NumericPrefix("33,33 %", ','), "33,33");
    EXPECT_DOUBLE_EQ(NumericValue("33,33 %", ','), 33.33);
    EXPECT_DOUBLE_EQ(NumericValue("1.2.3 %"), 1.2);
    EXPECT_DOUBLE_EQ(NumericValue(". %"), 0.0);
}

TEST(CompareShareRows, TextIgnoresCaseAndCanBeReversed) {
    const ShareRow a{"", "10 %", "Alpha.exe"};
    const ShareRow b{"", "9 %", "alpha.EXE"};
    const ShareRow c{"", "80 %", "beta.exe"};
    EXPECT_EQ(CompareShareRows(a, b, 2, CompareKind::Text, true), 0);
    EXPECT_LT(CompareShareRows(a, c, 2, CompareKind::Text, true), 0);
    EXPECT_GT(CompareShareRows(a, c, 2, CompareKind::Text, false), 0);
    // Column 0 is the caption: empty everywhere, so every row ties.
    EXPECT_EQ(CompareShareRows(a, c, 0, CompareKind::Text, true), 0);
    // The locale comparison is the caller's.
    const TextCompare reversed = [](const std::string& x, const std::string& y) { return y.compare(x); };
    EXPECT_GT(CompareShareRows(a, c, 2, CompareKind::Text, true, reversed), 0);
}

TEST(CompareShareRows, NumericReadsTheShareNotItsText) {
    const ShareRow nine{"", "9 %", "x"};
    const ShareRow ten{"", "10 %", "y"};
    const ShareRow third{"", "33.33 %", "z"};
    const ShareRow bad{"", "n/a", "w"};
    EXPECT_LT(CompareShareRows(nine, ten, 1, CompareKind::Numeric, true), 0);
    EXPECT_GT(CompareShareRows(nine, ten, 1, CompareKind::Numeric, false), 0);
    EXPECT_GT(CompareShareRows(third, ten, 1, CompareKind::Numeric, true), 0);
    EXPECT_EQ(CompareShareRows(nine, nine, 1, CompareKind::Numeric, true), 0);
    EXPECT_LT(CompareShareRows(bad, nine, 1, CompareKind::Numeric, true), 0);
    const ShareRow commaLow{"", "33,2 %", ""};
    const ShareRow commaHigh{"", "33,5 %", ""};
    EXPECT_LT(CompareShareRows(commaLow, commaHigh, 1, CompareKind::Numeric, true, nullptr, ','), 0);
    // A column the row does not have compares as empty text.
    EXPECT_EQ(CompareShareRows(nine, ten, 7, CompareKind::Numeric, true), 0);
}

TEST(CompareShareRows, DateTimeKind) {
    const ShareRow early{"2024-03-02 09:05:03"};
    const ShareRow late{"2024-03-02 10:00:00"};
    const ShareRow day{"2024-03-03"};
    EXPECT_LT(CompareShareRows(early, late, 0, CompareKind::DateTime, true), 0);
    EXPECT_LT(CompareShareRows(late, day, 0, CompareKind::DateTime, true), 0);
    EXPECT_GT(CompareShareRows(early, late, 0, CompareKind::DateTime, false), 0);
    EXPECT_LT(CompareShareRows(ShareRow{"garbage"}, early, 0, CompareKind::DateTime, true), 0);
}

TEST(SliceColours, NeighboursDifferAroundTheRing) {
    for (std::size_t n = 0; n <= 70; ++n) {
        const auto colours = SliceColours(n);
        ASSERT_EQ(colours.size(), n);
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_NE(colours[i], 0xFFFFFFu) << n << " " << i;
            if (n > 1) {
                EXPECT_NE(colours[i], colours[(i + 1) % n]) << "count " << n << " slice " << i;
            }
        }
    }
    const auto first = SliceColours(12);
    EXPECT_EQ(std::set<std::uint32_t>(first.begin(), first.end()).size(), 12u);
}

TEST(CsvField, QuotesWhatRfc4180NeedsAndKeepsFormulasAsText) {
    using vh::analysis::CsvField;
    EXPECT_EQ(CsvField("plain 文本"), "plain 文本");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("line\r\nbreak"), "\"line\r\nbreak\"");
    EXPECT_EQ(CsvField("lf\nonly"), "\"lf\nonly\"");
    EXPECT_EQ(CsvField("=HYPERLINK(\"x\")"), "\"'=HYPERLINK(\"\"x\"\")\"");
    EXPECT_EQ(CsvField("-bash"), "\"'-bash\"");
    EXPECT_EQ(CsvField("@sum"), "\"'@sum\"");
    EXPECT_EQ(CsvField("-1", false), "-1");
    EXPECT_EQ(CsvField(""), "");
}
