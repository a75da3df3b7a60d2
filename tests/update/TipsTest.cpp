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
    void WriteTips(const std::string& bytes) { std::ofstream(dir_ + "/SuccessTips.txt", std::ios::binary) << bytes; }
    std::vector<std::string> Shown(int ticks) {
        std::vector<std::string> out;
        for (int i = 0; i < ticks; ++i)
            out.push_back(tips_.ShowNextTip());
        return out;
    }

    void Load() { tips_.Load(File()); }
    std::string File() const { return dir_ + "/SuccessTips.txt"; }

    vh::test::AppFolder app_;
    const std::string dir_ = app_.Folder();
    TTips tips_;
};

TEST_F(TipsTest, ShowsTheLinesInFileOrderEndlessly) {
    WriteTips("A\r\nB\r\nC\r\n");
    Load();
    EXPECT_EQ(tips_.List(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(Shown(5), (std::vector<std::string>{"A", "B", "C", "A", "B"}));
}

TEST_F(TipsTest, OneLineIsShownAtEveryTick) {
    WriteTips("only");
    Load();
    EXPECT_EQ(Shown(3), (std::vector<std::string>{"only", "only", "only"}));
}

TEST_F(TipsTest, LineEndsOfEitherKindAndBlankLinesAreKeptUntrimmed) {
    WriteTips("  spaced  \n\nCRLF\r\n\r\nlast without end");
    Load();
    EXPECT_EQ(tips_.List(), (std::vector<std::string>{"  spaced  ", "", "CRLF", "", "last without end"}));
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
    Load();
    ASSERT_EQ(tips_.List().size(), 99u);
    EXPECT_EQ(tips_.List(), expected);
    EXPECT_EQ(tips_.List().back(), "tip 101");
}

TEST_F(TipsTest, LimitCountsGbkBytes) {
    std::string han;
    for (int i = 0; i < 43; ++i)
        han += "\xe6\x88\x90"; // 成
    const std::string exact = vh::text::Utf8ToGbk(han);
    ASSERT_EQ(exact.size(), 86u);
    WriteTips(exact + "\r\n" + exact + "a\r\n" + std::string(86, 'b') + "\r\n" + std::string(87, 'c') + "\r\n");
    Load();
    EXPECT_EQ(tips_.List(), (std::vector<std::string>{exact, std::string(86, 'b')}));
}

TEST_F(TipsTest, WithoutTipsTheBuiltInTipIsShown) {
    WriteTips("");
    Load();
    EXPECT_TRUE(tips_.List().empty());
    EXPECT_EQ(Shown(2), (std::vector<std::string>{kBuiltInTip, kBuiltInTip}));
    EXPECT_EQ(tips_.NextIndex(), 0);
}

TEST_F(TipsTest, MissingFileIsNoErrorAndLeavesTheListAsItWas) {
    std::vector<std::string> list{"kept"};
    EXPECT_NO_THROW(LoadTipsFile(File(), list));
    EXPECT_EQ(list, (std::vector<std::string>{"kept"}));
    // A folder of that name is no tips file either.
    fs::create_directory(dir_ + "/SuccessTips.txt");
    EXPECT_NO_THROW(LoadTipsFile(File(), list));
    EXPECT_EQ(list, (std::vector<std::string>{"kept"}));
}

TEST_F(TipsTest, UnreadableFileRaisesAnInputOutputError) {
    // Reading the start of a process's own memory file fails with EIO, also for root.
    fs::create_symlink("/proc/self/mem", dir_ + "/SuccessTips.txt");
    EXPECT_THROW(Load(), EInOutError);
    EXPECT_TRUE(tips_.List().empty());
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
    const std::vector<std::string> list = {"A", "B"};
    int index = 7;
    EXPECT_EQ(NextTip(list, index), "A");
    index = -3;
    EXPECT_EQ(NextTip(list, index), "A");
    EXPECT_EQ(NextTip(list, index), "B");
    // Start-up's first step starts the rotation again.
    WriteTips("A\r\nB\r\n");
    Load();
    EXPECT_EQ(tips_.ShowNextTip(), "A");
    tips_.Reset();
    EXPECT_TRUE(tips_.List().empty());
    EXPECT_EQ(tips_.NextIndex(), 0);
}

} // namespace
