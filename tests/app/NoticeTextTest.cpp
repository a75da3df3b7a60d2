#include <gtest/gtest.h>

#include "app/NoticeText.h"
#include "platform/Text.h"

using vh::app::BreakNoticeText;

namespace {
std::string G(const char* utf8) {
    return vh::text::Utf8ToGbk(utf8);
}
} // namespace

TEST(NoticeText, TwentyChineseCharactersBreakAfterEighteen) {
    const std::string text = G("一二三四五六七八九十一二三四五六七八九十");
    ASSERT_EQ(text.size(), 40u);
    EXPECT_EQ(BreakNoticeText(text), G("一二三四五六七八九十一二三四五六七八") + "\n\r" + G("九十"));
}

TEST(NoticeText, ShortAndExactlyThirtySixBytesStayOnOneLine) {
    EXPECT_EQ(BreakNoticeText(""), "");
    const std::string exact = G("一二三四五六七八九十一二三四五六七八");
    ASSERT_EQ(exact.size(), 36u);
    EXPECT_EQ(BreakNoticeText(exact), exact);
    const std::string ascii(36, 'a');
    EXPECT_EQ(BreakNoticeText(ascii), ascii);
}

TEST(NoticeText, OnlyOneBreakHoweverLong) {
    const std::string text(100, 'x');
    const std::string out = BreakNoticeText(text);
    EXPECT_EQ(out, std::string(36, 'x') + "\n\r" + std::string(64, 'x'));
}

TEST(NoticeText, BreakNeverSplitsADoubleByteCharacter) {
    // One ASCII byte first: the 36th byte is the first half of the 18th Chinese character.
    const std::string text = "a" + G("一二三四五六七八九十一二三四五六七八九十");
    const std::string out = BreakNoticeText(text);
    EXPECT_EQ(out, "a" + G("一二三四五六七八九十一二三四五六七") + "\n\r" + G("八九十"));
    const auto br = out.find("\n\r");
    EXPECT_EQ(br, 35u);
    // Both halves convert back without a replacement character.
    EXPECT_EQ(vh::text::GbkToUtf8(out.substr(0, br)).find("\xEF\xBF\xBD"), std::string::npos);
    EXPECT_EQ(vh::text::GbkToUtf8(out.substr(br + 2)).find("\xEF\xBF\xBD"), std::string::npos);
}

TEST(NoticeText, TrailBytesThatLookLikeLeadBytesAreCountedFromTheStart) {
    // "乙" is B9 D2: its trail byte is itself a valid lead byte, so only counting from the start finds the
    // character boundaries.
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += G("乙");
    EXPECT_EQ(BreakNoticeText(text).find("\n\r"), 36u);
    const std::string shifted = "ab" + text; // 36th byte is the second half of a character: break after it
    EXPECT_EQ(BreakNoticeText(shifted).find("\n\r"), 36u);
}

TEST(NoticeText, StrayLeadByteAtTheEndIsKept) {
    std::string text(36, 'a');
    text += '\xB9';
    EXPECT_EQ(BreakNoticeText(text), std::string(36, 'a') + "\n\r" + "\xB9");
}
