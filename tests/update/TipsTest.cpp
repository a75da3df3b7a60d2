#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/AppPaths.h"
#include "platform/Text.h"
#include "support/TempFolder.h"
#include "update/Tips.h"

namespace fs = std::filesystem;

namespace {

class TipsTest : public ::testing::Test {
protected:
    void SetUp() override {
        TipList.clear();
        TipIndex = 0;
    }
    void WriteTips(const std::string& bytes) { std::ofstream(dir_ + "/SuccessTips.txt", std::ios::binary) << bytes; }
    std::vector<std::string> Shown(int ticks) {
        std::vector<std::string> out;
        for (int i = 0; i < ticks; ++i)
            out.push_back(ShowNextTip());
        return out;
    }

    vh::test::AppFolder app_;
    const std::string dir_ = app_.Folder();
};

TEST_F(TipsTest, ShowsTheLinesInFileOrderEndlessly) {
    WriteTips("A\r\nB\r\nC\r\n");
    LoadTips(TipList);
    EXPECT_EQ(TipList, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(Shown(5), (std::vector<std::string>{"A", "B", "C", "A", "B"}));
}

TEST_F(TipsTest, OneLineIsShownAtEveryTick) {
    WriteTips("only");
    LoadTips(TipList);
    EXPECT_EQ(Shown(3), (std::vector<std::string>{"only", "only", "only"}));
}

TEST_F(TipsTest, LineEndsOfEitherKindAndBlankLinesAreKeptUntrimmed) {
    WriteTips("  spaced  \n\nCRLF\r\n\r\nlast without end");
    LoadTips(TipList);
    EXPECT_EQ(TipList, (std::vector<std::string>{"  spaced  ", "", "CRLF", "", "last without end"}));
    // A blank tip empties the tip line for one interval.
    EXPECT_EQ(Shown(2), (std::vector<std::string>{"  spaced  ", ""}));
}

TEST_F(TipsTest, ReadsTheFirst101LinesAndSkipsLongOnesWhileCountingThem) {
    std::string file;
    std::vector<std::string> expected;
    for (int line = 1; line <= 150; ++line) {
        std::string text = "tip " + std::to_string(line);
        if (line == 5 || line == 7)
            text = std::string(87, 'x');
        else if (line <= 101)
            expected.push_back(text);
        file += text + "\r\n";
    }
    WriteTips(file);
    LoadTips(TipList);
    ASSERT_EQ(TipList.size(), 99u);
    EXPECT_EQ(TipList, expected);
    EXPECT_EQ(TipList.back(), "tip 101");
}

TEST_F(TipsTest, LimitCountsGbkBytes) {
    std::string han;
    for (int i = 0; i < 43; ++i)
        han += "\xe6\x88\x90"; // 成
    const std::string exact = vh::text::Utf8ToGbk(han);
    ASSERT_EQ(exact.size(), 86u);
    WriteTips(exact + "\r\n" + exact + "a\r\n" + std::string(86, 'b') + "\r\n" + std::string(87, 'c') + "\r\n");
    LoadTips(TipList);
    EXPECT_EQ(TipList, (std::vector<std::string>{exact, std::string(86, 'b')}));
}

TEST_F(TipsTest, WithoutTipsTheBuiltInTipIsShown) {
    WriteTips("");
    LoadTips(TipList);
    EXPECT_TRUE(TipList.empty());
    EXPECT_EQ(Shown(2), (std::vector<std::string>{kBuiltInTip, kBuiltInTip}));
    EXPECT_EQ(TipIndex, 0);
}

TEST_F(TipsTest, MissingFileIsNoErrorAndLeavesTheListAsItWas) {
    std::vector<std::string> list{"kept"};
    EXPECT_NO_THROW(LoadTips(list));
    EXPECT_EQ(list, (std::vector<std::string>{"kept"}));
    // A folder of that name is no tips file either.
    fs::create_directory(dir_ + "/SuccessTips.txt");
    EXPECT_NO_THROW(LoadTips(list));
    EXPECT_EQ(list, (std::vector<std::string>{"kept"}));
}

TEST_F(TipsTest, UnreadableFileRaisesAnInputOutputError) {
    // Reading the start of a process's own memory file fails with EIO, also for root.
    fs::create_symlink("/proc/self/mem", dir_ + "/SuccessTips.txt");
    EXPECT_THROW(LoadTips(TipList), EInOutError);
    EXPECT_TRUE(TipList.empty());
}

TEST_F(TipsTest, BuiltInTipIsAShortAttributedChineseSentence) {
    const std::string tip = kBuiltInTip;
    EXPECT_LE(tip.size(), kMaxTipBytes);
    const size_t dash = tip.find("--");
    ASSERT_NE(dash, std::string::npos);
    EXPECT_GT(tip.size(), dash + 2); // a name follows
    const std::string utf8 = vh::text::GbkToUtf8(tip);
    EXPECT_EQ(utf8.find("\xef\xbf\xbd"), std::string::npos) << "not valid GBK";
    EXPECT_NE(utf8.find("\xe5\x86\xb3\xe5\xbf\x83"), std::string::npos); // 决心
}

TEST_F(TipsTest, IndexOutOfRangeRestartsTheRotation) {
    TipList = {"A", "B"};
    TipIndex = 7;
    EXPECT_EQ(ShowNextTip(), "A");
    TipIndex = -3;
    EXPECT_EQ(ShowNextTip(), "A");
    EXPECT_EQ(ShowNextTip(), "B");
}

TEST(TipInterval, SecondsBecomeMillisecondsAndNothingBelowOneFires) {
    EXPECT_EQ(TipIntervalMs(60), 60000);
    EXPECT_EQ(TipIntervalMs(1), 1000);
    EXPECT_EQ(TipIntervalMs(0), 0);
    EXPECT_EQ(TipIntervalMs(-5), 0);
    EXPECT_EQ(TipIntervalMs(INT_MIN), 0);
    EXPECT_GT(TipIntervalMs(INT_MAX), 0);
    EXPECT_EQ(TipIntervalMs(INT_MAX), TipIntervalMs(INT_MAX / 1000 + 1));
}

} // namespace
