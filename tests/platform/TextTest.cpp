#include "platform/Text.h"

#include <gtest/gtest.h>

using namespace vh::text;

namespace {
// GBK characters whose second byte looks like ASCII: ']' (0x5D), 'a' (0x61) and 'A' (0x41).
const std::string kTrailBracket = "\xB0\x5D";
const std::string kTrailLowerA = "\xB0\x61";
const std::string kTrailUpperA = "\xB0\x41";
} // namespace

TEST(TextConversion, ChineseRoundTripsThroughGbk) {
    const std::string gbk = Utf8ToGbk("中文");
    EXPECT_EQ(gbk, "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(GbkToUtf8(gbk), "中文");
    const std::string mixed = "密码不能为空，请重新输入. abc 123";
    EXPECT_EQ(GbkToUtf8(Utf8ToGbk(mixed)), mixed);
    EXPECT_EQ(Utf8ToGbk(""), "");
    EXPECT_EQ(GbkToUtf8(""), "");
}

TEST(TextConversion, EuroSignIsByte0x80LikeCodePage936) {
    EXPECT_EQ(Utf8ToGbk("€"), "\x80");
    EXPECT_EQ(GbkToUtf8("\x80"), "€");
}

TEST(TextConversion, WhatGbkCannotHoldBecomesOneQuestionMark) {
    EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80"
                        "b"),
              "a?b"); // an emoji is one character
    EXPECT_EQ(Utf8ToGbk("a\xFF"
                        "b"),
              "a?b");
    EXPECT_EQ(Utf8ToGbk("\xC0\xAF"), "??");      // overlong form of '/' is no character
    EXPECT_EQ(Utf8ToGbk("x\xE4\xB8"), "x??");    // cut off at the end
    EXPECT_EQ(Utf8ToGbk("\xED\xA0\x80"), "???"); // a lone surrogate
}

TEST(TextConversion, InvalidGbkBecomesReplacementCharacter) {
    EXPECT_EQ(GbkToUtf8("a\xFF"
                        "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(GbkToUtf8("a\xD6"), "a\xEF\xBF\xBD"); // lead byte at the end
    EXPECT_EQ(GbkToUtf8("\xD6\x20"
                        "b"),
              "\xEF\xBF\xBD b"); // lead byte without a second byte
}

TEST(TextConversion, LongTextsConvertWhole) {
    std::string utf8;
    for (int i = 0; i < 5000; ++i)
        utf8 += "汉字a";
    const std::string gbk = Utf8ToGbk(utf8);
    EXPECT_EQ(gbk.size(), 5000u * 5);
    EXPECT_EQ(GbkToUtf8(gbk), utf8);
}

TEST(TextBytes, CutsCountBytes) {
    const std::string s = "a" + Utf8ToGbk("中文");
    EXPECT_EQ(CutBytes(s, 2), s.substr(0, 2)); // half a character
    EXPECT_EQ(CutBytesWhole(s, 2), "a");
    EXPECT_EQ(CutBytesWhole(s, 3), s.substr(0, 3));
    EXPECT_EQ(CutBytesWhole(s, 4), s.substr(0, 3));
    EXPECT_EQ(CutBytesWhole(s, 100), s);
    EXPECT_EQ(CutBytes(s, 100), s);
    EXPECT_EQ(CutBytesWhole("", 3), "");
    // A stray lead byte at the end is one byte of its own.
    EXPECT_EQ(CutBytesWhole("ab\xD6", 3), "ab\xD6");
    // Stepping as the ANSI functions do: a lead byte takes the next byte along, whatever it is.
    const std::string steps = "a" + kTrailBracket + "\x81 \xD6";
    EXPECT_EQ(GbkCharLength(steps, 0), 1u);
    EXPECT_EQ(GbkCharLength(steps, 1), 2u);
    EXPECT_EQ(GbkCharLength(steps, 3), 2u);
    EXPECT_EQ(GbkCharLength(steps, 5), 1u);
}

TEST(TextBytes, FileNamePartFollowsTheLastSeparator) {
    EXPECT_EQ(FileNamePart("/usr/bin/gedit", "/"), "gedit");
    EXPECT_EQ(FileNamePart("gedit", "/"), "gedit");
    EXPECT_EQ(FileNamePart("dir/", "/"), "");
    EXPECT_EQ(FileNamePart("a\\b.exe", "/"), "a\\b.exe");
    EXPECT_EQ(FileNamePart("C:\\Tools/x\\y.exe", "\\/"), "y.exe");
}

TEST(TextBytes, TrimRemovesBlanksAndControlsOnly) {
    EXPECT_EQ(Trim(" \t\r\n\x01qw hm\x1f\x20"), "qw hm");
    EXPECT_EQ(Trim("   "), "");
    const std::string gbk = Utf8ToGbk("　中"); // the ideographic space is no blank here
    EXPECT_EQ(Trim(" " + gbk + " "), gbk);
    EXPECT_EQ(Trim(std::string("\0a\0", 3)), "a");
    EXPECT_EQ(TrimView(" \tq\n"), "q");
}

TEST(TextBytes, CaseFoldingTouchesAsciiLettersOnly) {
    EXPECT_EQ(AsciiUpper("notepad.exe"), "NOTEPAD.EXE");
    EXPECT_EQ(AsciiLower("NotePad.EXE"), "notepad.exe");
    EXPECT_EQ(AsciiUpper("a" + kTrailLowerA + "b"), "A" + kTrailLowerA + "B");
    EXPECT_EQ(AsciiLower(kTrailUpperA + "X"), kTrailUpperA + "x");
    EXPECT_EQ(AsciiUpper("\xE4\xF6"), "\xE4\xF6");
}

TEST(TextBytes, IgnoreCaseComparisonNeverFoldsSecondBytes) {
    EXPECT_TRUE(EqualsIgnoreAsciiCase("System", "system"));
    EXPECT_TRUE(EqualsIgnoreAsciiCase("TaskExecutype", "Taskexecutype"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("System", "Systems"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase(kTrailLowerA, kTrailUpperA));
    EXPECT_TRUE(EqualsIgnoreAsciiCase("x" + kTrailLowerA, "X" + kTrailLowerA));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("[", "{"));
    EXPECT_TRUE(EqualsIgnoreAsciiCase(kTrailBracket, kTrailBracket));
}

TEST(TextNumbers, ParsesDecimalAndHexAsTheSettingsFileStoresThem) {
    int v = 0;
    EXPECT_TRUE(ParseInt32("2", v));
    EXPECT_EQ(v, 2);
    EXPECT_TRUE(ParseInt32("-15", v));
    EXPECT_EQ(v, -15);
    EXPECT_TRUE(ParseInt32("007", v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(ParseInt32("0x0", v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(ParseInt32("0X1f", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(ParseInt32("2147483647", v));
    EXPECT_EQ(v, 2147483647);
    EXPECT_TRUE(ParseInt32("-2147483648", v));
    EXPECT_EQ(v, -2147483647 - 1);
    EXPECT_TRUE(ParseInt32("0x7FFFFFFF", v));
    EXPECT_EQ(v, 2147483647);
}

TEST(TextNumbers, RejectsWhatIsNoInteger) {
    int v = 42;
    for (const char* s : {"", "-", "yes", "0x", "0X", "1.5", "1e3", " 5", "5 ", "+5", "0xG1", "--1", "2147483648",
                          "-2147483649", "0x80000000", "99999999999999999999999"}) {
        EXPECT_FALSE(ParseInt32(s, v)) << s;
    }
    EXPECT_EQ(v, 42);
}
