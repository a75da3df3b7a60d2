// The settings-file rules through GetPrivateProfileStringA / WritePrivateProfileStringA on real files.
#include "platform/ProfileString.h"
#include "platform/Text.h"
#include "settings/SettingsAccessor.h"

#include "platform/WindowsTestSupport.h"
// windows.h maps the name onto its win.ini function.
#undef WriteProfileString

#include <gtest/gtest.h>

using vh::platform::ProfileWriteError;
using vh::platform::ReadProfileString;
using vh::platform::WriteProfileString;
using vh::text::Utf8ToGbk;
using vh::wintest::ReadAll;
using vh::wintest::TempFolder;
using vh::wintest::UnderWine;
using vh::wintest::WriteAll;

namespace {

class WindowsProfile : public ::testing::Test {
protected:
    void SetUp() override {
        // GBK names and values pass through the ANSI calls only in the Chinese code page.
        ASSERT_EQ(GetACP(), 936u) << "run with a zh_CN locale (LC_ALL=zh_CN.UTF-8 under wine)";
    }
    std::string Read(const std::string& sec, const std::string& key, const std::string& def = "<def>") {
        return ReadProfileString(ini, sec, key, def);
    }
    TempFolder dir;
    std::string ini = dir.File("Config.ini");
};

} // namespace

TEST_F(WindowsProfile, MissingFileSectionOrKeyGiveTheDefault) {
    EXPECT_EQ(Read("Security", "Passwd"), "<def>");
    EXPECT_EQ(Read("Security", "Passwd", "  blanks kept  "), "  blanks kept  ");
    WriteAll(ini, "[Security]\r\nPasswd=abc\r\n");
    EXPECT_EQ(Read("Security", "Passwd"), "abc");
    EXPECT_EQ(Read("Security", "StartPasswd"), "<def>");
    EXPECT_EQ(Read("System", "Passwd"), "<def>");
    EXPECT_EQ(Read("Security", ""), "<def>");
    EXPECT_EQ(ReadProfileString(dir.Path(), "Security", "Passwd", "d"), "d");
}

TEST_F(WindowsProfile, NamesMatchIgnoringAsciiCaseAndFirstDuplicateWins) {
    WriteAll(ini, "[system]\r\nunwork=3\r\nUnwork=1\r\nAutoRun=0\r\n[TimeConfig]\r\nTaskexecutype=0\r\n"
                  "Daysetting=2024-03-02\r\n");
    EXPECT_EQ(Read("System", "UNWORK"), "3");
    EXPECT_EQ(Read("system", "autorun"), "0");
    EXPECT_EQ(Read("TimeConfig", "TaskExecutype"), "0");
    EXPECT_EQ(Read("timeconfig", "DaySetting"), "2024-03-02");
    WriteProfileString(ini, "System", "UnWork", "2");
    EXPECT_EQ(Read("system", "unwork"), "2");
    EXPECT_EQ(ReadAll(ini).find("[System]"), std::string::npos); // no second section
}

TEST_F(WindowsProfile, BlanksAroundNamesAndValuesAndOneQuotePairAreRemoved) {
    WriteAll(ini, "[ Security ]\r\n"
                  " Passwd =  abc def \r\n"
                  "A=\"quoted\"\r\n"
                  "B='single'\r\n"
                  "D=\"open\r\n"
                  "F=a=b\r\n"
                  "G=\r\n");
    EXPECT_EQ(Read("Security", "Passwd"), "abc def");
    EXPECT_EQ(Read("Security", "A"), "quoted");
    EXPECT_EQ(Read("Security", "B"), "single");
    EXPECT_EQ(Read("Security", "D"), "\"open");
    EXPECT_EQ(Read("Security", "F"), "a=b");
    EXPECT_EQ(Read("Security", "G"), "");
    EXPECT_EQ(Read(" Security ", " Passwd "), "abc def");
}

TEST_F(WindowsProfile, GbkNamesAndValuesRoundTrip) {
    const std::string sec = Utf8ToGbk("设置");
    const std::string text = Utf8ToGbk("您现在处理的是否是重要的事情呢？是否应该做一些更为重要的事情?");
    WriteProfileString(ini, "system", "InformStr", text);
    WriteProfileString(ini, sec, Utf8ToGbk("键"), text);
    EXPECT_EQ(Read("System", "InformStr"), text);
    EXPECT_EQ(Read(sec, Utf8ToGbk("键")), text);
    // A second byte that looks like ']' or like an ASCII letter is no bracket and is never folded.
    const std::string bracketChar = "\xB0\x5D", lowerA = "\xB0\x61", upperA = "\xB0\x41";
    WriteProfileString(ini, bracketChar, "k", "3");
    WriteProfileString(ini, "s", lowerA, "lower");
    EXPECT_EQ(Read(bracketChar, "k"), "3");
    EXPECT_EQ(Read("s", lowerA), "lower");
    EXPECT_EQ(Read("s", upperA), "<def>");
}

TEST_F(WindowsProfile, ReadsReturnAtMost2047BytesWithoutHalfCharacters) {
    WriteAll(ini, "[s]\r\nascii=" + std::string(3000, 'x') + "\r\ngbk=a" + std::string(3000, '\xD6') + "\r\n");
    EXPECT_EQ(Read("s", "ascii"), std::string(2047, 'x'));
    const std::string gbk = Read("s", "gbk");
    EXPECT_EQ(gbk, "a" + std::string(2046, '\xD6'));
    WriteAll(ini, "[s]\r\nexact=" + std::string(2047, 'y') + "\r\n");
    EXPECT_EQ(Read("s", "exact"), std::string(2047, 'y'));
}

TEST_F(WindowsProfile, WriteReplacesTheValueAndKeepsTheOtherLines) {
    WriteAll(ini, "[Security]\r\nPasswd=0123\r\nStartPasswd=0\r\n\r\n[System]\r\nAutoRun=1\r\n");
    WriteProfileString(ini, "security", "passwd", "3b8a85011e78b14c132c6044318a20e4");
    const std::string after = ReadAll(ini);
    EXPECT_EQ(Read("Security", "Passwd"), "3b8a85011e78b14c132c6044318a20e4");
    EXPECT_EQ(Read("Security", "StartPasswd"), "0");
    EXPECT_EQ(Read("System", "AutoRun"), "1");
    // The existing spelling of the names stays.
    EXPECT_NE(after.find("[Security]\r\nPasswd=3b8a85011e78b14c132c6044318a20e4\r\nStartPasswd=0\r\n"),
              std::string::npos)
        << after;
    EXPECT_NE(after.find("[System]\r\nAutoRun=1"), std::string::npos) << after;
}

TEST_F(WindowsProfile, WriteAppendsTheKeyToItsSectionAndNewSectionsAtTheEnd) {
    WriteAll(ini, "[Security]\r\nPasswd=x\r\n[System]\r\nAutoRun=1\r\n");
    WriteProfileString(ini, "security", "ExitPasswd", "0");
    WriteProfileString(ini, "OtherSettings", "TipInterval", "60");
    const std::string after = ReadAll(ini);
    const auto exitAt = after.find("ExitPasswd=0");
    ASSERT_NE(exitAt, std::string::npos) << after;
    EXPECT_LT(after.find("Passwd=x"), exitAt);
    EXPECT_LT(exitAt, after.find("[System]"));
    EXPECT_GT(after.find("[OtherSettings]\r\nTipInterval=60"), after.find("AutoRun=1")) << after;
    EXPECT_EQ(Read("OtherSettings", "tipinterval"), "60");
}

TEST_F(WindowsProfile, LayoutOfUntouchedLinesIsKeptByteForByte) {
    if (UnderWine())
        GTEST_SKIP() << "wine's profile writer rewrites the whole file from its parsed form (blanks, comments "
                        "and line ends change); Windows edits the one line";
    const std::string before = "; settings\r\n\r\n[SECURITY]\r\n  PASSWD = 0123  \r\nStartPasswd=0\r\n";
    WriteAll(ini, before);
    WriteProfileString(ini, "Security", "Passwd", "new");
    EXPECT_EQ(Read("Security", "Passwd"), "new");
    EXPECT_EQ(ReadAll(ini).substr(0, 24), before.substr(0, 24));
}

TEST_F(WindowsProfile, WriteCreatesTheFileAndLeavesNoTemporaryFileBehind) {
    WriteProfileString(ini, "SystemSet", "Version", "1.2");
    EXPECT_EQ(Read("SystemSet", "Version"), "1.2");
    for (int i = 0; i < 20; ++i)
        WriteProfileString(ini, "TimeConfig", "MonitorInterval", std::to_string(i));
    EXPECT_EQ(Read("TimeConfig", "MonitorInterval"), "19");
    EXPECT_EQ(dir.EntryCount(), 1u);
    // A line break in a value must not make a second line.
    WriteProfileString(ini, "system", "InformStr", "one\r\ntwo");
    EXPECT_EQ(Read("system", "InformStr"), "one  two");
    EXPECT_EQ(Read("system", "two"), "<def>");
}

TEST_F(WindowsProfile, RefusedWriteRaisesTheErrorTextAndKeepsTheOldFile) {
    WriteAll(ini, "[Security]\r\nPasswd=keep\r\n");
    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    try {
        WriteProfileString(ini, "Security", "Passwd", "lost");
        ADD_FAILURE() << "the write to a read-only file succeeded";
    } catch (const ProfileWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + ini);
    }
    SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Read("Security", "Passwd"), "keep");
    EXPECT_EQ(dir.EntryCount(), 1u);

    const std::string missingFolder = dir.File("no such folder\\Config.ini");
    EXPECT_THROW(WriteProfileString(missingFolder, "s", "k", "v"), ProfileWriteError);
    EXPECT_THROW(WriteProfileString(ini, "s", "", "v"), ProfileWriteError);
    EXPECT_EQ(Read("Security", "Passwd"), "keep");
}

TEST_F(WindowsProfile, FileNameMatchesIgnoringCase) {
    WriteProfileString(ini, "system", "InformStr", "x");
    EXPECT_EQ(ReadProfileString(dir.File("config.ini"), "System", "InformStr", "d"), "x");
    WriteProfileString(dir.File("CONFIG.INI"), "system", "InformStr", "y");
    EXPECT_EQ(Read("System", "InformStr"), "y");
    EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST_F(WindowsProfile, CommentsJunkLinesAndLfOnlyFilesReadAsOnLinux) {
    WriteAll(ini, "Passwd=before any section\n;[Security]\n[Security]\n;Passwd=commented\nno equals sign\n"
                  "[broken\nPasswd=real\n");
    EXPECT_EQ(Read("Security", "Passwd"), "real");
    EXPECT_EQ(Read("Security", ";Passwd"), "commented");
    EXPECT_EQ(Read("", "Passwd"), "<def>");
    WriteProfileString(ini, "Security", "Passwd", "new");
    EXPECT_EQ(Read("Security", "Passwd"), "new");
    EXPECT_EQ(Read("Security", ";Passwd"), "commented");
}

TEST_F(WindowsProfile, ByteOrderMarkDoesNotHideTheFirstSection) {
    WriteAll(ini, "\xEF\xBB\xBF[Security]\r\nPasswd=abc\r\n");
    EXPECT_EQ(Read("Security", "Passwd"), "abc");
    WriteProfileString(ini, "Security", "Passwd", "new");
    EXPECT_EQ(Read("Security", "Passwd"), "new");
}

TEST_F(WindowsProfile, OnlyTheFirstOccurrenceOfARepeatedSectionIsReadAndWritten) {
    WriteAll(ini, "[Security]\r\nPasswd=first\r\n\r\n[System]\r\nAutoRun=0\r\n[Security]\r\nStartPasswd=0\r\n"
                  "Passwd=later\r\n");
    EXPECT_EQ(Read("Security", "Passwd"), "first");
    EXPECT_EQ(Read("security", "StartPasswd"), "<def>");
    WriteProfileString(ini, "Security", "StartPasswd", "1");
    WriteProfileString(ini, "SECURITY", "Passwd", "new");
    EXPECT_EQ(Read("Security", "StartPasswd"), "1");
    EXPECT_EQ(Read("Security", "Passwd"), "new");
    const std::string after = ReadAll(ini);
    EXPECT_LT(after.find("StartPasswd=1"), after.find("[System]")) << after;
    EXPECT_NE(after.find("StartPasswd=0\r\nPasswd=later"), std::string::npos) << after;

    WriteAll(ini, "[s]\n[s]\nk=later\n");
    EXPECT_EQ(Read("s", "k"), "<def>");
    WriteProfileString(ini, "s", "k", "v");
    EXPECT_EQ(Read("s", "k"), "v");
    EXPECT_NE(ReadAll(ini).find("k=later"), std::string::npos);
}

namespace {
std::string Utf16Le(const std::u16string& text) {
    std::string out = "\xFF\xFE";
    for (char16_t u : text) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}
} // namespace

TEST_F(WindowsProfile, Utf16FileWithByteOrderMarkIsReadAndEditedInUtf16) {
    WriteAll(ini, Utf16Le(u"; 备注 \U0001F600\r\n[Security]\r\nPasswd=abc\r\n[system]\r\nInformStr= 请专心工作 \r\n"
                          u"unwork=3\r\n[Security]\r\nStartPasswd=0\r\n"));
    EXPECT_EQ(Read("Security", "Passwd"), "abc");
    EXPECT_EQ(Read("System", "InformStr"), Utf8ToGbk("请专心工作"));
    EXPECT_EQ(Read("system", "unwork"), "3");
    EXPECT_EQ(Read("Security", "StartPasswd"), "<def>");

    WriteProfileString(ini, "System", "InformStr", Utf8ToGbk("少看新闻"));
    WriteProfileString(ini, "Security", "StartPasswd", "1");
    WriteProfileString(ini, "OtherSettings", "TipInterval", "30");
    EXPECT_EQ(Read("System", "InformStr"), Utf8ToGbk("少看新闻"));
    EXPECT_EQ(Read("Security", "StartPasswd"), "1");
    EXPECT_EQ(Read("OtherSettings", "TipInterval"), "30");
    EXPECT_EQ(Read("Security", "Passwd"), "abc");
    const std::string after = ReadAll(ini);
    EXPECT_EQ(after.substr(0, 2), "\xFF\xFE");
    EXPECT_NE(after.find(Utf16Le(u"InformStr=少看新闻").substr(2)), std::string::npos);
    EXPECT_NE(after.find(Utf16Le(u"\U0001F600").substr(2)), std::string::npos);
    EXPECT_EQ(after.find("TipInterval"), std::string::npos); // no 8-bit line appended
}

TEST_F(WindowsProfile, AccessorReadsFlagsAndNumbersThroughTheSystemFunctions) {
    TSettingsAccessor rzIniInfo;
    rzIniInfo.SetSettingsPath(ini);
    EXPECT_TRUE(rzIniInfo.ReadFlag("Security", "StartPasswd", true));
    EXPECT_EQ(rzIniInfo.ReadNumber("OtherSettings", "TipInterval", 60), 60);
    WriteAll(ini, "[Security]\r\nStartPasswd=2\r\nRestorePasswd=0x0\r\nExitPasswd=yes\r\n[system]\r\nunwork=0x3\r\n");
    EXPECT_TRUE(rzIniInfo.ReadFlag("Security", "StartPasswd", false));
    EXPECT_FALSE(rzIniInfo.ReadFlag("Security", "RestorePasswd", true));
    EXPECT_TRUE(rzIniInfo.ReadFlag("Security", "ExitPasswd", true));
    EXPECT_FALSE(rzIniInfo.ReadFlag("Security", "ExitPasswd", false));
    EXPECT_EQ(rzIniInfo.ReadNumber("System", "unwork", 0), 3);
    rzIniInfo.WriteNumber("System", "MonitorInterval", -5);
    rzIniInfo.WriteFlag("system", "AutoRun", false);
    EXPECT_EQ(rzIniInfo.ReadText("SYSTEM", "monitorinterval", ""), "-5");
    EXPECT_EQ(rzIniInfo.ReadText("System", "AutoRun", ""), "0");
}
