// The non-work decision, the notice text wrapping and the reminder-text rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "monitor/NonWork.h"
#include "platform/Text.h"
#include "settings/SettingsAccessor.h"
#include "support/TempFolder.h"

using namespace vh::monitor;
using vh::text::Utf8ToGbk;

namespace {

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

std::vector<std::string> Lines(const std::string& wrapped) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const auto pos = wrapped.find("\n\r", start);
        lines.push_back(wrapped.substr(start, pos - start));
        if (pos == std::string::npos)
            return lines;
        start = pos + 2;
    }
}

// Records what one check did.
struct Recorder {
    struct Notice {
        std::string title, message;
        int layout;
        std::string process, program;
        std::uint32_t pid;
    };
    std::vector<Notice> notices;
    std::vector<vh::platform::WindowId> closes;
    int listCalls = 0;
    int modeReads = 0;

    NonWorkActions Actions(std::optional<TStringList> list, int mode, std::string reminder = DefaultReminderText()) {
        NonWorkActions a;
        a.listWorkProcesses = [this, list] {
            ++listCalls;
            return list.value_or(TStringList{}); // no list stands for a query that failed
        };
        a.readReminderText = [reminder] { return reminder; };
        a.readReactionMode = [this, mode] {
            ++modeReads;
            return mode;
        };
        a.showNotice = [this](const std::string& t, const std::string& m, int l, const std::string& p,
                              const std::string& c, std::uint32_t pid, const vh::DateTime&) {
            notices.push_back({t, m, l, p, c, pid});
        };
        a.requestClose = [this](vh::platform::WindowId w) { closes.push_back(w); };
        return a;
    }
};

TForegroundInfo Sample(const std::string& exe) {
    TForegroundInfo f;
    f.ExeName = exe;
    f.Caption = Utf8ToGbk("无标题 - 记事本");
    f.WindowHandle = 0x1234;
    f.ProcessId = 4321;
    return f;
}

class TempConfig : public ::testing::Test {
protected:
    void SetUp() override { settings.SetSettingsPath((dir_ / "Config.ini").string()); }
    std::string FileText() const { return vh::test::ReadAll((dir_ / "Config.ini").string()); }
    vh::test::TempFolder folder_;
    const std::filesystem::path dir_ = folder_.Path();
    TSettingsAccessor settings;
};

} // namespace

TEST(NonWorkMatch, ComparesFileNamePartsIgnoringAsciiCase) {
    EXPECT_EQ(FileNamePart("C:\\Tools\\NotePad.EXE"), "NotePad.EXE");
    EXPECT_EQ(FileNamePart("D:notepad.exe"), "notepad.exe");
    EXPECT_EQ(FileNamePart("/usr/bin/gedit"), "gedit");
    EXPECT_EQ(FileNamePart("notepad.exe"), "notepad.exe");
    EXPECT_EQ(FileNamePart("C:\\Tools\\"), "");

    EXPECT_TRUE(IsWorkProgram("notepad.exe", {"calc.exe", "C:\\Tools\\NotePad.EXE"}));
    EXPECT_TRUE(IsWorkProgram("C:\\Windows\\NOTEPAD.exe", {"notepad.exe"}));
    EXPECT_TRUE(IsWorkProgram("gedit", {"/usr/bin/GEdit"}));
    EXPECT_FALSE(IsWorkProgram("notepad.exe", {"notepad.ex", "notepad.exe.bak"}));
    EXPECT_FALSE(IsWorkProgram("notepad.exe", {}));
}

TEST(NonWorkMatch, NonAsciiCaseDifferencesDoNotMatch) {
    // Full-width a and A are different characters to the comparison.
    EXPECT_FALSE(IsWorkProgram(Utf8ToGbk("ａ工具.exe"), {Utf8ToGbk("Ａ工具.exe")}));
    EXPECT_TRUE(IsWorkProgram(Utf8ToGbk("ａ工具.EXE"), {Utf8ToGbk("ａ工具.exe")}));
    // Greek and Cyrillic letters in GBK are not folded either.
    EXPECT_FALSE(IsWorkProgram(Utf8ToGbk("α.exe"), {Utf8ToGbk("Α.exe")}));
}

TEST(NonWorkMatch, SecondByteOfDoubleByteCharacterIsNoSeparator) {
    // 0x81 0x5C is one GBK character whose second byte equals '\'.
    const std::string name = std::string("\x81\x5C", 2) + "a.exe";
    EXPECT_EQ(FileNamePart(name), name);
    EXPECT_EQ(FileNamePart("C:\\" + name), name);
    EXPECT_FALSE(IsWorkProgram("a.exe", {name}));
    // The second byte is never upper-cased: 0x81 0x61 stays as it is.
    EXPECT_EQ(MatchKey(std::string("\x81\x61", 2) + "b"), std::string("\x81\x61", 2) + "B");
}

TEST(NonWorkCheck, WorkProgramRaisesNothing) {
    Recorder r;
    CheckNonWorkProgram(Sample("notepad.exe"), r.Actions(TStringList{"C:\\Tools\\NotePad.EXE"}, 0));
    EXPECT_EQ(r.listCalls, 1);
    EXPECT_EQ(r.modeReads, 0);
    EXPECT_TRUE(r.notices.empty());
    EXPECT_TRUE(r.closes.empty());
}

TEST(NonWorkCheck, EmptyListReactsEveryTimeWithAFreshQuery) {
    Recorder r;
    const auto actions = r.Actions(TStringList{}, 0);
    for (int i = 0; i < 3; ++i)
        CheckNonWorkProgram(Sample("notepad.exe"), actions);
    EXPECT_EQ(r.listCalls, 3);
    ASSERT_EQ(r.notices.size(), 3u);
    EXPECT_EQ(r.notices[2].process, "notepad.exe");
    EXPECT_EQ(r.notices[2].program, Utf8ToGbk("无标题 - 记事本"));
    EXPECT_EQ(r.notices[2].pid, 4321u);
}

TEST(NonWorkCheck, FailedQueryCountsAsNonWork) {
    Recorder r;
    CheckNonWorkProgram(Sample("notepad.exe"), r.Actions(std::nullopt, 3));
    ASSERT_EQ(r.notices.size(), 1u);
    EXPECT_EQ(r.notices[0].layout, kLayoutRemindOrKill);
}

TEST(NonWorkCheck, ModesAndTheirTexts) {
    const std::string stored = Utf8ToGbk("专心工作");
    {
        Recorder r;
        CheckNonWorkProgram(Sample("a.exe"), r.Actions(TStringList{}, 0));
        ASSERT_EQ(r.notices.size(), 1u);
        EXPECT_EQ(r.notices[0].title, Utf8ToGbk("注意哦"));
        EXPECT_EQ(r.notices[0].message, DefaultReminderText());
        EXPECT_EQ(r.notices[0].message.size(), 61u);
        EXPECT_EQ(r.notices[0].message.back(), '?');
        EXPECT_EQ(r.notices[0].layout, kLayoutRemind);
    }
    {
        Recorder r;
        CheckNonWorkProgram(Sample("a.exe"), r.Actions(TStringList{}, 0, stored));
        ASSERT_EQ(r.notices.size(), 1u);
        EXPECT_EQ(r.notices[0].message, stored);
    }
    for (int mode : {2, 3}) {
        Recorder r;
        CheckNonWorkProgram(Sample("a.exe"), r.Actions(TStringList{}, mode, stored));
        ASSERT_EQ(r.notices.size(), 1u) << mode;
        EXPECT_EQ(r.notices[0].title, Utf8ToGbk("注意哦"));
        EXPECT_EQ(r.notices[0].message, Utf8ToGbk("您现在处理的是否是重要的事情呢？是否应该做一些更为重要的事情"));
        EXPECT_EQ(r.notices[0].message.size(), 60u);
        EXPECT_EQ(r.notices[0].layout, mode == 2 ? kLayoutKillOnly : kLayoutRemindOrKill);
        EXPECT_TRUE(r.closes.empty());
    }
    {
        Recorder r;
        CheckNonWorkProgram(Sample("a.exe"), r.Actions(TStringList{}, 1));
        EXPECT_TRUE(r.notices.empty());
        ASSERT_EQ(r.closes.size(), 1u);
        EXPECT_EQ(r.closes[0], 0x1234u);
    }
    for (int mode : {7, -1, 4}) {
        Recorder r;
        CheckNonWorkProgram(Sample("a.exe"), r.Actions(TStringList{}, mode));
        EXPECT_EQ(r.modeReads, 1);
        EXPECT_TRUE(r.notices.empty()) << mode;
        EXPECT_TRUE(r.closes.empty()) << mode;
    }
}

TEST(NoticeWrap, BreaksEvery44BytesWithLfCr) {
    EXPECT_EQ(WrapNoticeText("", 44), "");
    EXPECT_EQ(WrapNoticeText(std::string(44, 'a'), 44), std::string(44, 'a'));
    EXPECT_EQ(WrapNoticeText(std::string(45, 'a'), 44), std::string(44, 'a') + "\n\r" + "a");
    const auto lines = Lines(WrapNoticeText(std::string(100, 'b'), 44));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), 44u);
    EXPECT_EQ(lines[1].size(), 44u);
    EXPECT_EQ(lines[2].size(), 12u);
    EXPECT_EQ(WrapNoticeText(std::string(88, 'c'), 44), std::string(44, 'c') + "\n\r" + std::string(44, 'c'));
}

TEST(NoticeWrap, DefaultTextSplitsAfter22Characters) {
    const auto lines = Lines(WrapNoticeText(DefaultReminderText(), 44));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], Utf8ToGbk("您现在处理的是否是重要的事情呢？是否应该做一"));
    EXPECT_EQ(lines[1], Utf8ToGbk("些更为重要的事情?"));
    EXPECT_EQ(lines[1].size(), 17u);
}

TEST(NoticeWrap, NeverCutsADoubleByteCharacterInHalf) {
    // One ASCII letter first puts the 44th byte on the first half of a character.
    const std::string text = "a" + Repeat(Utf8ToGbk("字"), 30);
    const auto lines = Lines(WrapNoticeText(text, 44));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "a" + Repeat(Utf8ToGbk("字"), 21));
    EXPECT_EQ(lines[1], Repeat(Utf8ToGbk("字"), 9));
    for (const auto& line : lines)
        EXPECT_EQ(vh::text::GbkToUtf8(line).find("\xEF\xBF\xBD"), std::string::npos) << "half a character";
    // A width that cannot hold a character still makes progress, one whole character per line.
    EXPECT_EQ(Lines(WrapNoticeText(Repeat(Utf8ToGbk("字"), 3), 1)).size(), 3u);
    EXPECT_EQ(Lines(WrapNoticeText("abc", 0)).size(), 3u);
}

TEST(ReminderText, LengthAndEmptinessChecks) {
    const std::string seventy = Repeat(Utf8ToGbk("字"), 70);
    ASSERT_EQ(seventy.size(), 140u);
    auto c = CheckReminderText("  " + seventy + "\r\n");
    EXPECT_EQ(c.result, ReminderCheck::Ok);
    EXPECT_EQ(c.text, seventy);
    EXPECT_EQ(CheckReminderText(seventy + "a").result, ReminderCheck::TooLong);
    EXPECT_EQ(CheckReminderText(std::string(140, 'x')).result, ReminderCheck::Ok);
    EXPECT_EQ(CheckReminderText(std::string(141, 'x')).result, ReminderCheck::TooLong);
    EXPECT_EQ(CheckReminderText("   ").result, ReminderCheck::Empty);
    EXPECT_EQ(CheckReminderText(" \t\r\n ").result, ReminderCheck::Empty);
    EXPECT_EQ(CheckReminderText("").result, ReminderCheck::Empty);
    // Quotation marks are accepted like any other character.
    EXPECT_EQ(CheckReminderText("\"'").result, ReminderCheck::Ok);
    EXPECT_EQ(ReminderEmptyMessage(), Utf8ToGbk("提醒内容不能为空，请设定提醒内容"));
    EXPECT_EQ(ReminderTooLongMessage(), Utf8ToGbk("输入字数太多，请重新输入!"));
}

TEST(ReminderText, StorageEncodingKeepsOneLine) {
    const std::string typed = Utf8ToGbk("第一行\n第二行\r\n第三行\r末行");
    const std::string stored = EncodeReminderForStorage(typed);
    EXPECT_EQ(stored.find('\n'), std::string::npos);
    EXPECT_EQ(stored.find('\r'), std::string::npos);
    EXPECT_EQ(DecodeStoredReminder(stored), Utf8ToGbk("第一行\n第二行\n第三行\n末行"));

    EXPECT_EQ(DecodeStoredReminder(EncodeReminderForStorage("C:\\new\\n")), "C:\\new\\n");
    const std::string dbcs = std::string("\x81\x5C", 2) + "n";
    EXPECT_EQ(EncodeReminderForStorage(dbcs), dbcs);
    EXPECT_EQ(DecodeStoredReminder(dbcs), dbcs);
    // A plain stored text (no escapes) reads back unchanged.
    EXPECT_EQ(DecodeStoredReminder(DefaultReminderText()), DefaultReminderText());
}

TEST_F(TempConfig, ReminderAndModeComeFromTheSettingsFile) {
    EXPECT_EQ(ReadReminderText(settings), DefaultReminderText());
    EXPECT_EQ(ReadReactionModeValue(settings), 0);

    const std::string typed = Utf8ToGbk("先做\n重要的事");
    WriteReminderText(settings, typed);
    EXPECT_EQ(ReadReminderText(settings), typed);
    const std::string file = FileText();
    EXPECT_NE(file.find(Utf8ToGbk("先做\\n重要的事")), std::string::npos) << file;

    settings.WriteNumber("System", "unwork", 3);
    EXPECT_EQ(ReadReactionModeValue(settings), 3);
    settings.WriteText("system", "unwork", "junk");
    EXPECT_EQ(ReadReactionModeValue(settings), 0);
}
