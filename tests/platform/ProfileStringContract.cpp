// The settings-file rules every backend keeps: compiled into the Linux test (our reader and writer) and into
// the Windows test (GetPrivateProfileStringA / WritePrivateProfileStringA), on real files.
#include "platform/ProfileString.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/WindowsTestSupport.h"
// windows.h maps the name onto its win.ini function.
#undef WriteProfileString
#else
#include "support/TempFolder.h"
#endif

using vh::platform::ProfileWriteError;
using vh::platform::ReadProfileString;
using vh::platform::WriteProfileString;
using vh::test::ReadAll;
using vh::test::TempFolder;
using vh::test::WriteAll;
using vh::text::Utf8ToGbk;

namespace {

class ProfileString : public ::testing::Test {
protected:
#ifdef _WIN32
    void SetUp() override {
        // GBK names and values pass through the ANSI calls only in the Chinese code page.
        ASSERT_EQ(GetACP(), 936u) << "run with a zh_CN locale (LC_ALL=zh_CN.UTF-8 under wine)";
    }
    // wine's writer rewrites the whole file from its parsed form; Windows and ours edit the one line.
    static bool KeepsLayout() {
        return !vh::wintest::UnderWine();
    }
#else
    static bool KeepsLayout() {
        return true;
    }
#endif
    std::string Read(const std::string& sec, const std::string& key, const std::string& def = "<def>") {
        return ReadProfileString(ini, sec, key, def);
    }
    TempFolder dir;
    std::string ini = dir.File("Config.ini");
};

// The bytes Notepad saves as "Unicode": UTF-16 LE after the byte-order mark FF FE.
std::string Utf16Le(const std::u16string& text) {
    std::string out = "\xFF\xFE";
    for (char16_t u : text) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}

} // namespace

TEST_F(ProfileString, MissingFileSectionOrKeyGiveTheDefault) {
    EXPECT_EQ(Read("Security", "Passwd"), "<def>");
    EXPECT_EQ(Read("Security", "Passwd", "  blanks kept  "), "  blanks kept  ");
    WriteAll(ini, "[Security]\r\nPasswd=abc\r\n");
    EXPECT_EQ(Read("Security", "Passwd"), "abc");
    EXPECT_EQ(Read("Security", "StartPasswd"), "<def>");
    EXPECT_EQ(Read("System", "Passwd"), "<def>");
    EXPECT_EQ(Read("Security", ""), "<def>");
    EXPECT_EQ(ReadProfileString(dir.Path(), "Security", "Passwd", "d"), "d"); // a folder is no file
}

TEST_F(ProfileString, NamesMatchIgnoringAsciiCaseAndFirstDuplicateWins) {
    WriteAll(ini, "[system]\nunwork=3\nUnwork=1\nAutoRun=0\n[TimeConfig]\nTaskexecutype=0\nDaysetting=2024-03-02\n"
                  "[SYSTEM]\nunwork=2\nInformStr=later\n");
    EXPECT_EQ(Read("System", "UNWORK"), "3");
    EXPECT_EQ(Read("system", "autorun"), "0");
    EXPECT_EQ(Read("TimeConfig", "TaskExecutype"), "0");
    EXPECT_EQ(Read("timeconfig", "DaySetting"), "2024-03-02");
    WriteProfileString(ini, "System", "UnWork", "4");
    EXPECT_EQ(Read("system", "unwork"), "4");
    EXPECT_EQ(ReadAll(ini).find("[System]"), std::string::npos); // no further section
}

TEST_F(ProfileString, OnlyTheFirstOccurrenceOfARepeatedSectionIsReadAndWritten) {
    const std::string later = "[Security]\r\nStartPasswd=0\r\nPasswd=later\r\n";
    WriteAll(ini, "[Security]\r\nPasswd=first\r\n\r\n[System]\r\nAutoRun=0\r\n" + later);
    EXPECT_EQ(Read("Security", "Passwd"), "first");
    EXPECT_EQ(Read("security", "StartPasswd"), "<def>");

    // A new key goes to the end of the first occurrence, a known one is replaced there; the later
    // occurrence stays as it was.
    WriteProfileString(ini, "Security", "StartPasswd", "1");
    WriteProfileString(ini, "SECURITY", "Passwd", "new");
    EXPECT_EQ(Read("Security", "StartPasswd"), "1");
    EXPECT_EQ(Read("Security", "Passwd"), "new");
    const std::string after = ReadAll(ini);
    EXPECT_LT(after.find("StartPasswd=1"), after.find("[System]")) << after;
    EXPECT_NE(after.find(later), std::string::npos) << after;
    if (KeepsLayout()) {
        EXPECT_EQ(after, "[Security]\r\nPasswd=new\r\nStartPasswd=1\r\n\r\n[System]\r\nAutoRun=0\r\n" + later);
    }

    // A header repeated at once opens an empty first occurrence.
    WriteAll(ini, "[s]\n[s]\nk=later\n");
    EXPECT_EQ(Read("s", "k"), "<def>");
    WriteProfileString(ini, "s", "k", "v");
    EXPECT_EQ(Read("s", "k"), "v");
    EXPECT_NE(ReadAll(ini).find("k=later"), std::string::npos);
    if (KeepsLayout()) {
        EXPECT_EQ(ReadAll(ini), "[s]\nk=v\n[s]\nk=later\n");
    }
}

TEST_F(ProfileString, Utf16FileWithByteOrderMarkIsReadAndEditedInUtf16) {
    // A comment with a character GBK lacks, a lone surrogate and LF-only line breaks stay exactly as
    // they are.
    const std::u16string comment = u"; 备注 \U0001F600 \xD800 x\r\n";
    WriteAll(ini, Utf16Le(comment + u"[Security]\r\nPasswd=abc\r\n[system]\r\nInformStr= 请专心工作 \r\nunwork=3\n"
                                    u"[Security]\r\nStartPasswd=0\r\n"));
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
    if (KeepsLayout()) {
        EXPECT_EQ(after, Utf16Le(comment + u"[Security]\r\nPasswd=abc\r\nStartPasswd=1\r\n[system]\r\n"
                                           u"InformStr=少看新闻\r\nunwork=3\n[Security]\r\nStartPasswd=0\r\n"
                                           u"[OtherSettings]\r\nTipInterval=30\r\n"));
    }
}

TEST_F(ProfileString, BlanksAroundNamesAndValuesAndOneQuotePairAreRemoved) {
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

TEST_F(ProfileString, CommentsJunkLinesAndLfOnlyFiles) {
    WriteAll(ini, "Passwd=before any section\n;[Security]\n[Security]\n;Passwd=commented\nno equals sign\n"
                  "=no name\n[broken\nPasswd=real\n");
    // "[broken" is no header, so Passwd=real still belongs to Security.
    EXPECT_EQ(Read("Security", "Passwd"), "real");
    EXPECT_EQ(Read("Security", ";Passwd"), "commented");
    EXPECT_EQ(Read("", "Passwd"), "<def>");
    WriteProfileString(ini, "Security", "Passwd", "new");
    EXPECT_EQ(Read("Security", "Passwd"), "new");
    EXPECT_EQ(Read("Security", ";Passwd"), "commented");
}

TEST_F(ProfileString, GbkNamesAndValuesRoundTripAndSecondBytesAreNoBracketsOrLetters) {
    const std::string sec = Utf8ToGbk("设置");
    const std::string text = Utf8ToGbk("您现在处理的是否是重要的事情呢？是否应该做一些更为重要的事情?");
    WriteProfileString(ini, "system", "InformStr", text);
    WriteProfileString(ini, sec, Utf8ToGbk("键"), text);
    EXPECT_EQ(Read("System", "InformStr"), text);
    EXPECT_EQ(Read(sec, Utf8ToGbk("键")), text);
    // A second byte that looks like ']' or like an ASCII letter is no bracket and is never folded.
    const std::string bracketChar = "\xB0\x5D", lowerA = "\xB0\x61", upperA = "\xB0\x41";
    WriteProfileString(ini, "s", lowerA, "lower");
    EXPECT_EQ(Read("s", lowerA), "lower");
    EXPECT_EQ(Read("s", upperA), "<def>");
    WriteAll(ini, "[" + bracketChar + "x]\nk=" + bracketChar + "\n[" + bracketChar + "]\nk=2\n");
    EXPECT_EQ(Read(bracketChar + "x", "k"), bracketChar);
    EXPECT_EQ(Read(bracketChar, "k"), "2");
    WriteProfileString(ini, bracketChar, "k", "3");
    EXPECT_EQ(Read(bracketChar + "x", "k"), bracketChar);
    EXPECT_EQ(Read(bracketChar, "k"), "3");

    std::string all; // every double-byte GBK code, second bytes that look like ASCII included
    for (int lead = 0x81; lead <= 0xFE; lead += 7)
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            if (trail != 0x7F) {
                all += static_cast<char>(lead);
                all += static_cast<char>(trail);
            }
    for (std::size_t at = 0; at < all.size(); at += 2000) {
        const std::string v = vh::text::CutBytesWhole(all.substr(at), 2000);
        WriteProfileString(ini, "system", "InformStr", v);
        ASSERT_EQ(Read("System", "InformStr"), v);
    }
}

TEST_F(ProfileString, ReadsReturnAtMost2047BytesWithoutHalfCharacters) {
    WriteAll(ini, "[s]\nascii=" + std::string(3000, 'x') + "\ngbk=a" + std::string(3000, '\xD6') +
                      "\nexact=" + std::string(2047, 'y') + "\n");
    EXPECT_EQ(Read("s", "ascii"), std::string(2047, 'x'));
    // After one ASCII byte, 2047 bytes end just after a whole character.
    EXPECT_EQ(Read("s", "gbk"), "a" + std::string(2046, '\xD6'));
    EXPECT_EQ(Read("s", "exact"), std::string(2047, 'y'));
    WriteAll(ini, "[s]\ngbk=" + std::string(3000, '\xD6') + "\n");
    EXPECT_EQ(Read("s", "gbk"), std::string(2046, '\xD6'));
}

TEST_F(ProfileString, ByteOrderMarkDoesNotHideTheFirstSection) {
    WriteAll(ini, "\xEF\xBB\xBF[Security]\r\nPasswd=abc\r\n");
    EXPECT_EQ(Read("Security", "Passwd"), "abc");
    WriteProfileString(ini, "Security", "Passwd", "new");
    EXPECT_EQ(Read("Security", "Passwd"), "new");
    if (KeepsLayout()) {
        EXPECT_EQ(ReadAll(ini), "\xEF\xBB\xBF[Security]\r\nPasswd=new\r\n");
    }
}

TEST_F(ProfileString, WriteReplacesInPlaceAndKeepsEveryOtherLine) {
    WriteAll(ini, "; settings of the program\r\n"
                  "\r\n"
                  "[SECURITY]\r\n"
                  "  PASSWD = 0123  \r\n"
                  "StartPasswd=0\r\n"
                  "junk line \x01\xFF\r\n"
                  "\r\n"
                  "[System]\r\n"
                  "AutoRun=1\r\n");
    WriteProfileString(ini, "Security", "Passwd", "3b8a85011e78b14c132c6044318a20e4");
    EXPECT_EQ(Read("security", "passwd"), "3b8a85011e78b14c132c6044318a20e4");
    EXPECT_EQ(Read("Security", "StartPasswd"), "0");
    EXPECT_EQ(Read("System", "AutoRun"), "1");
    // The existing spelling of the names stays.
    const std::string after = ReadAll(ini);
    EXPECT_NE(after.find("[SECURITY]"), std::string::npos) << after;
    EXPECT_NE(after.find("PASSWD"), std::string::npos) << after;
    if (KeepsLayout()) {
        EXPECT_EQ(after, "; settings of the program\r\n"
                         "\r\n"
                         "[SECURITY]\r\n"
                         "  PASSWD =3b8a85011e78b14c132c6044318a20e4\r\n"
                         "StartPasswd=0\r\n"
                         "junk line \x01\xFF\r\n"
                         "\r\n"
                         "[System]\r\n"
                         "AutoRun=1\r\n");
    }
}

TEST_F(ProfileString, WriteAppendsTheKeyAtTheEndOfItsSection) {
    WriteAll(ini, "[Security]\nPasswd=x\n; about Security\n\n\n[System]\nAutoRun=1");
    WriteProfileString(ini, "security", "ExitPasswd", "0");
    std::string after = ReadAll(ini);
    const auto exitAt = after.find("ExitPasswd=0");
    ASSERT_NE(exitAt, std::string::npos) << after;
    EXPECT_LT(after.find("Passwd=x"), exitAt);
    EXPECT_LT(exitAt, after.find("[System]"));
    // The last line has no line break: the new key gets its own line.
    WriteProfileString(ini, "SYSTEM", "AutoTask", "1");
    EXPECT_EQ(Read("System", "AutoRun"), "1");
    EXPECT_EQ(Read("System", "AutoTask"), "1");
    if (KeepsLayout()) {
        EXPECT_EQ(ReadAll(ini),
                  "[Security]\nPasswd=x\n; about Security\nExitPasswd=0\n\n\n[System]\nAutoRun=1\nAutoTask=1\n");
    }
    // An empty section gets the key right after its header.
    WriteAll(ini, "[a]\n[b]\n");
    WriteProfileString(ini, "a", "k", "v");
    EXPECT_EQ(Read("a", "k"), "v");
    after = ReadAll(ini);
    EXPECT_LT(after.find("k=v"), after.find("[b]")) << after;
}

TEST_F(ProfileString, WriteCreatesFilesWithCrLfAndAppendsNewSectionsAtTheEnd) {
    WriteProfileString(ini, "Security", "Passwd", "abc");
    EXPECT_EQ(ReadAll(ini), "[Security]\r\nPasswd=abc\r\n");
    WriteProfileString(ini, "OtherSettings", "TipInterval", "60");
    EXPECT_EQ(ReadAll(ini), "[Security]\r\nPasswd=abc\r\n[OtherSettings]\r\nTipInterval=60\r\n");
    for (int i = 0; i < 20; ++i)
        WriteProfileString(ini, "TimeConfig", "MonitorInterval", std::to_string(i));
    EXPECT_EQ(Read("TimeConfig", "MonitorInterval"), "19");
    EXPECT_EQ(dir.EntryCount(), 1u); // no temporary file left behind

    WriteAll(ini, "[a]\nk=1"); // LF file without a final line break
    WriteProfileString(ini, "b", "k", "2");
    EXPECT_EQ(Read("a", "k"), "1");
    EXPECT_EQ(Read("b", "k"), "2");
    if (KeepsLayout()) {
        EXPECT_EQ(ReadAll(ini), "[a]\nk=1\n[b]\nk=2\n");
    }
}

TEST_F(ProfileString, WrittenValuesStayOnOneLine) {
    WriteProfileString(ini, "system", "InformStr", "line1\r\n[Security]\r\nPasswd=");
    EXPECT_EQ(Read("Security", "Passwd"), "<def>");
    EXPECT_EQ(Read("system", "InformStr"), "line1  [Security]  Passwd=");
}

TEST_F(ProfileString, FileNameMatchesIgnoringCase) {
    WriteAll(ini, "[Security]\r\nPasswd=abc\r\n");
    EXPECT_EQ(ReadProfileString(dir.File("config.ini"), "Security", "Passwd", ""), "abc");
    WriteProfileString(dir.File("CONFIG.INI"), "system", "InformStr", "x");
    EXPECT_EQ(Read("System", "InformStr"), "x");
    EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST_F(ProfileString, WriteToAMissingFolderRaisesTheErrorText) {
    const std::string missing = dir.File("gone") + "/Config.ini";
    try {
        WriteProfileString(missing, "s", "k", "v");
        FAIL() << "no error";
    } catch (const ProfileWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + missing);
    }
}
