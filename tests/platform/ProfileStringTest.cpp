#include "platform/ProfileString.h"

#include "platform/CoreTestFiles.h"
#include "platform/Text.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>

using vh::platform::ProfileWriteError;
using vh::platform::ReadProfileString;
using vh::platform::WriteProfileString;
using vh::test::ReadAll;
using vh::test::TempFolder;
using vh::test::WriteAll;

namespace {

class ProfileString : public ::testing::Test {
protected:
    std::string Read(const std::string& sec, const std::string& key, const std::string& def = "<def>") {
        return ReadProfileString(ini, sec, key, def);
    }
    TempFolder dir;
    std::string ini = dir.File("Config.ini");
};

} // namespace

TEST_F(ProfileString, MissingFileSectionOrKeyGiveTheDefault) {
    EXPECT_EQ(Read("Security", "Passwd"), "<def>");
    WriteAll(ini, "[Security]\r\nPasswd=abc\r\n");
    EXPECT_EQ(Read("Security", "Passwd"), "abc");
    EXPECT_EQ(Read("Security", "StartPasswd"), "<def>");
    EXPECT_EQ(Read("System", "Passwd"), "<def>");
    EXPECT_EQ(Read("Security", ""), "<def>");
    EXPECT_EQ(ReadProfileString(dir.Path(), "Security", "Passwd", "d"), "d"); // a folder is no file
}

TEST_F(ProfileString, NamesMatchIgnoringAsciiCaseAndFirstDuplicateWins) {
    WriteAll(ini, "[system]\nunwork=3\nUnwork=1\nAutoRun=0\n[TimeConfig]\nTaskexecutype=0\n[SYSTEM]\nunwork=2\n"
                  "InformStr=later\n");
    EXPECT_EQ(Read("System", "UNWORK"), "3");
    EXPECT_EQ(Read("system", "autorun"), "0");
    EXPECT_EQ(Read("TimeConfig", "TaskExecutype"), "0");
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
    EXPECT_EQ(ReadAll(ini), "[Security]\r\nPasswd=new\r\nStartPasswd=1\r\n\r\n[System]\r\nAutoRun=0\r\n" + later);
    EXPECT_EQ(Read("Security", "StartPasswd"), "1");
    EXPECT_EQ(Read("Security", "Passwd"), "new");

    // A header repeated at once opens an empty first occurrence.
    WriteAll(ini, "[s]\n[s]\nk=later\n");
    EXPECT_EQ(Read("s", "k"), "<def>");
    WriteProfileString(ini, "s", "k", "v");
    EXPECT_EQ(ReadAll(ini), "[s]\nk=v\n[s]\nk=later\n");
}

namespace {
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

TEST_F(ProfileString, Utf16FileWithByteOrderMarkIsReadAndEditedInUtf16) {
    // A comment with a character GBK lacks, a lone surrogate and LF-only line breaks stay exactly as
    // they are.
    const std::u16string comment = u"; 备注 \U0001F600 \xD800 x\r\n";
    WriteAll(ini, Utf16Le(comment + u"[Security]\r\nPasswd=abc\r\n[system]\r\nInformStr= 请专心工作 \r\nunwork=3\n"
                                    u"[Security]\r\nStartPasswd=0\r\n"));
    EXPECT_EQ(Read("Security", "Passwd"), "abc");
    EXPECT_EQ(Read("System", "InformStr"), vh::text::Utf8ToGbk("请专心工作"));
    EXPECT_EQ(Read("system", "unwork"), "3");
    EXPECT_EQ(Read("Security", "StartPasswd"), "<def>");

    WriteProfileString(ini, "System", "InformStr", vh::text::Utf8ToGbk("少看新闻"));
    WriteProfileString(ini, "Security", "StartPasswd", "1");
    WriteProfileString(ini, "OtherSettings", "TipInterval", "30");
    EXPECT_EQ(ReadAll(ini), Utf16Le(comment + u"[Security]\r\nPasswd=abc\r\nStartPasswd=1\r\n[system]\r\n"
                                              u"InformStr=少看新闻\r\nunwork=3\n[Security]\r\nStartPasswd=0\r\n"
                                              u"[OtherSettings]\r\nTipInterval=30\r\n"));
    EXPECT_EQ(Read("System", "InformStr"), vh::text::Utf8ToGbk("少看新闻"));
    EXPECT_EQ(Read("Security", "StartPasswd"), "1");
    EXPECT_EQ(Read("OtherSettings", "TipInterval"), "30");

    // A file that is only the mark is an empty file in UTF-16.
    WriteAll(ini, "\xFF\xFE");
    EXPECT_EQ(Read("Security", "Passwd"), "<def>");
    WriteProfileString(ini, "Security", "Passwd", "x");
    EXPECT_EQ(ReadAll(ini), Utf16Le(u"[Security]\r\nPasswd=x\r\n"));
}

TEST_F(ProfileString, BlanksAroundNamesAndValuesAndOneQuotePairAreRemoved) {
    WriteAll(ini, "  [ Security ]  \r\n"
                  "\t Passwd \t=  abc def \t\r\n"
                  "A=\"quoted\"\r\n"
                  "B='single'\r\n"
                  "C=\"\"two\"\"\r\n"
                  "D=\"open\r\n"
                  "E=\"mixed'\r\n"
                  "F=a=b\r\n"
                  "G=\r\n"
                  "H=\"\r\n");
    EXPECT_EQ(Read("Security", "Passwd"), "abc def");
    EXPECT_EQ(Read("Security", "A"), "quoted");
    EXPECT_EQ(Read("Security", "B"), "single");
    EXPECT_EQ(Read("Security", "C"), "\"two\"");
    EXPECT_EQ(Read("Security", "D"), "\"open");
    EXPECT_EQ(Read("Security", "E"), "\"mixed'");
    EXPECT_EQ(Read("Security", "F"), "a=b");
    EXPECT_EQ(Read("Security", "G"), "");
    EXPECT_EQ(Read("Security", "H"), "\"");
    EXPECT_EQ(Read(" Security ", " Passwd "), "abc def");
}

TEST_F(ProfileString, CommentsAndJunkLinesAreNoKeys) {
    WriteAll(ini, "Passwd=before any section\n;[Security]\n[Security]\n;Passwd=commented\nno equals sign\n"
                  "=no name\n[broken\nPasswd=real\n");
    // "[broken" is no header, so Passwd=real still belongs to Security.
    EXPECT_EQ(Read("Security", "Passwd"), "real");
    EXPECT_EQ(Read("Security", ";Passwd"), "commented");
    EXPECT_EQ(Read("", "Passwd"), "<def>");
}

TEST_F(ProfileString, GbkSecondBytesNeverActAsBrackets) {
    const std::string bracketChar = "\xB0\x5D"; // second byte is ']'
    WriteAll(ini, "[" + bracketChar + "x]\nk=" + bracketChar + "\n[" + bracketChar + "]\nk=2\n");
    EXPECT_EQ(Read(bracketChar + "x", "k"), bracketChar);
    EXPECT_EQ(Read(bracketChar, "k"), "2");
    WriteProfileString(ini, bracketChar, "k", "3");
    EXPECT_EQ(Read(bracketChar + "x", "k"), bracketChar);
    EXPECT_EQ(Read(bracketChar, "k"), "3");
}

TEST_F(ProfileString, ReadsReturnAtMost2047BytesWithoutHalfCharacters) {
    WriteAll(ini, "[s]\nascii=" + std::string(3000, 'x') + "\ngbk=a" + std::string(3000, '\xD6') + "\n");
    EXPECT_EQ(Read("s", "ascii"), std::string(2047, 'x'));
    // After one ASCII byte, 2047 bytes end just after a whole character.
    EXPECT_EQ(Read("s", "gbk"), "a" + std::string(2046, '\xD6'));
    WriteAll(ini, "[s]\ngbk=" + std::string(3000, '\xD6') + "\n");
    EXPECT_EQ(Read("s", "gbk"), std::string(2046, '\xD6'));
}

TEST_F(ProfileString, ByteOrderMarkDoesNotHideTheFirstSection) {
    WriteAll(ini, "\xEF\xBB\xBF[Security]\r\nPasswd=abc\r\n");
    EXPECT_EQ(Read("Security", "Passwd"), "abc");
    WriteProfileString(ini, "Security", "Passwd", "new");
    EXPECT_EQ(ReadAll(ini), "\xEF\xBB\xBF[Security]\r\nPasswd=new\r\n");
}

TEST_F(ProfileString, NulBytesEndAValueAndNeverCrash) {
    WriteAll(ini, std::string("[s]\nk=ab\0cd\nn\0x=1\n[t\0]\nk=2\n", 27));
    EXPECT_EQ(Read("s", "k"), "ab");
    EXPECT_EQ(Read("s", std::string("k\0zz", 4)), "ab"); // the name as the C API sees it
    WriteProfileString(ini, "s", "k", std::string("xy\0z", 4));
    EXPECT_EQ(Read("s", "k"), "xy");
}

TEST_F(ProfileString, WriteReplacesInPlaceAndKeepsEveryOtherLineByteForByte) {
    const std::string before = "; settings of the program\r\n"
                               "\r\n"
                               "[SECURITY]\r\n"
                               "  PASSWD = 0123  \r\n"
                               "StartPasswd=0\r\n"
                               "junk line \x01\xFF\r\n"
                               "\r\n"
                               "[System]\r\n"
                               "AutoRun=1\r\n";
    WriteAll(ini, before);
    WriteProfileString(ini, "Security", "Passwd", "3b8a85011e78b14c132c6044318a20e4");
    EXPECT_EQ(ReadAll(ini), "; settings of the program\r\n"
                            "\r\n"
                            "[SECURITY]\r\n"
                            "  PASSWD =3b8a85011e78b14c132c6044318a20e4\r\n"
                            "StartPasswd=0\r\n"
                            "junk line \x01\xFF\r\n"
                            "\r\n"
                            "[System]\r\n"
                            "AutoRun=1\r\n");
    EXPECT_EQ(Read("security", "passwd"), "3b8a85011e78b14c132c6044318a20e4");
}

TEST_F(ProfileString, WriteAppendsTheKeyAtTheEndOfItsSection) {
    WriteAll(ini, "[Security]\nPasswd=x\n; about Security\n\n\n[System]\nAutoRun=1");
    WriteProfileString(ini, "security", "ExitPasswd", "0");
    EXPECT_EQ(ReadAll(ini), "[Security]\nPasswd=x\n; about Security\nExitPasswd=0\n\n\n[System]\nAutoRun=1");
    // The last line has no line break: the new key gets its own line.
    WriteProfileString(ini, "SYSTEM", "AutoTask", "1");
    EXPECT_EQ(ReadAll(ini),
              "[Security]\nPasswd=x\n; about Security\nExitPasswd=0\n\n\n[System]\nAutoRun=1\nAutoTask=1\n");
    // An empty section gets the key right after its header.
    WriteAll(ini, "[a]\n[b]\n");
    WriteProfileString(ini, "a", "k", "v");
    EXPECT_EQ(ReadAll(ini), "[a]\nk=v\n[b]\n");
}

TEST_F(ProfileString, WriteAppendsANewSectionAndCreatesNewFilesWithCrLf) {
    WriteProfileString(ini, "Security", "Passwd", "abc");
    EXPECT_EQ(ReadAll(ini), "[Security]\r\nPasswd=abc\r\n");
    WriteProfileString(ini, "OtherSettings", "TipInterval", "60");
    EXPECT_EQ(ReadAll(ini), "[Security]\r\nPasswd=abc\r\n[OtherSettings]\r\nTipInterval=60\r\n");

    WriteAll(ini, "[a]\nk=1"); // LF file without a final line break
    WriteProfileString(ini, "b", "k", "2");
    EXPECT_EQ(ReadAll(ini), "[a]\nk=1\n[b]\nk=2\n");
}

TEST_F(ProfileString, WrittenValuesStayOnOneLine) {
    WriteProfileString(ini, "system", "InformStr", "line1\r\n[Security]\r\nPasswd=");
    EXPECT_EQ(Read("Security", "Passwd"), "<def>");
    EXPECT_EQ(Read("system", "InformStr"), "line1  [Security]  Passwd=");
}

TEST_F(ProfileString, GbkValuesRoundTripByteForByte) {
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

TEST_F(ProfileString, FileNameMatchesIgnoringCase) {
    WriteAll(ini, "[Security]\r\nPasswd=abc\r\n");
    const std::string lower = dir.File("config.ini");
    EXPECT_EQ(ReadProfileString(lower, "Security", "Passwd", ""), "abc");
    WriteProfileString(lower, "system", "InformStr", "x");
    EXPECT_EQ(Read("System", "InformStr"), "x");
    EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST_F(ProfileString, WriteKeepsModeAndWritesThroughALink) {
    const std::string real = dir.File("real.ini");
    WriteAll(real, "[s]\nk=1\n");
    chmod(real.c_str(), 0640);
    ASSERT_EQ(symlink(real.c_str(), ini.c_str()), 0);
    WriteProfileString(ini, "s", "k", "2");
    struct stat st {};
    ASSERT_EQ(lstat(ini.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadAll(real), "[s]\nk=2\n");
}

TEST_F(ProfileString, RefusedWritesRaiseTheErrorAndLeaveTheOldFile) {
    const std::string missingDir = dir.File("gone") + "/Config.ini";
    try {
        WriteProfileString(missingDir, "s", "k", "v");
        FAIL() << "no error";
    } catch (const ProfileWriteError& e) {
        EXPECT_STREQ(e.what(), ("Unable to write to " + missingDir).c_str());
    }

    const std::string old = "[Security]\r\nPasswd=old\r\n";
    WriteAll(ini, old);
    // Read-only folder.
    chmod(dir.Path().c_str(), 0555);
    EXPECT_EQ(vh::test::RunUnprivileged([&] {
                  try {
                      WriteProfileString(ini, "Security", "Passwd", "new");
                  } catch (const ProfileWriteError& e) {
                      return std::string(e.what()) == "Unable to write to " + ini ? 0 : 2;
                  }
                  return 1;
              }),
              0);
    EXPECT_EQ(ReadAll(ini), old);
    // Read-only file in a writable folder.
    chmod(dir.Path().c_str(), 0777);
    chmod(ini.c_str(), 0444);
    EXPECT_EQ(vh::test::RunUnprivileged([&] {
                  try {
                      WriteProfileString(ini, "Security", "Passwd", "new");
                  } catch (const ProfileWriteError&) {
                      return 0;
                  }
                  return 1;
              }),
              0);
    EXPECT_EQ(ReadAll(ini), old);
    EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST_F(ProfileString, FullDiskLeavesTheOldFileAndNoTemporaryFile) {
    const std::string old = "[Security]\r\nPasswd=old\r\n";
    WriteAll(ini, old);
    // A file-size limit makes the write fail like a full disk.
    EXPECT_EQ(vh::test::RunUnprivileged([&] {
                  signal(SIGXFSZ, SIG_IGN);
                  rlimit lim{16, 16};
                  setrlimit(RLIMIT_FSIZE, &lim);
                  try {
                      WriteProfileString(ini, "Security", "Passwd", "new");
                  } catch (const ProfileWriteError&) {
                      return 0;
                  }
                  return 1;
              }),
              0);
    EXPECT_EQ(ReadAll(ini), old);
    EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST_F(ProfileString, AReaderSeesTheOldOrTheNewFileNeverAPartOne) {
    const std::string a(1500, 'a'), b(1500, 'b');
    std::string filler;
    for (int i = 0; i < 2000; ++i)
        filler += "; filler line " + std::to_string(i) + "\r\n";
    WriteAll(ini, filler + "[s]\r\nk=" + a + "\r\n");
    const pid_t writer = fork();
    if (writer == 0) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
        for (int i = 0; std::chrono::steady_clock::now() < until; ++i)
            WriteProfileString(ini, "s", "k", i % 2 ? a : b);
        _exit(0);
    }
    int reads = 0;
    bool seenB = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    while (std::chrono::steady_clock::now() < until) {
        const std::string v = Read("s", "k");
        ASSERT_TRUE(v == a || v == b) << v.size();
        seenB = seenB || v == b;
        ++reads;
    }
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(seenB);
    EXPECT_GT(reads, 10);
}

TEST_F(ProfileString, HostileFilesNeverBreakReadsOrWrites) {
    std::mt19937 rng(20261209);
    const char pieces[][12] = {"[",    "]",        "=", "\r", "\n", "\r\n", " ", "\"", "'",   "\0", "\xEF\xBB\xBF",
                               "\xD6", "\xB0\x5D", "s", "S",  "k",  "K",    ";", "\t", "\xFF"};
    for (int round = 0; round < 400; ++round) {
        std::string data;
        const int n = static_cast<int>(rng() % 200);
        for (int i = 0; i < n; ++i) {
            if (rng() % 3 == 0) {
                data += static_cast<char>(rng() % 256);
            } else {
                const auto& p = pieces[rng() % std::size(pieces)];
                data += p[0] == '\0' ? std::string(1, '\0') : std::string(p);
            }
        }
        WriteAll(ini, data);
        (void)Read("s", "k");
        const std::string v = "v" + std::to_string(round);
        WriteProfileString(ini, "s", "k", v);
        ASSERT_EQ(Read("S", "K"), v) << "round " << round;
        WriteProfileString(ini, "t", "k", "w");
        ASSERT_EQ(Read("s", "k"), v) << "round " << round;
        ASSERT_EQ(Read("t", "k"), "w") << "round " << round;
    }
}

TEST_F(ProfileString, TenMegabyteLineIsReadAndKept) {
    const std::string big(10 * 1024 * 1024, 'z');
    WriteAll(ini, "[s]\nbig=" + big + "\nk=1\n");
    EXPECT_EQ(Read("s", "big"), std::string(2047, 'z'));
    EXPECT_EQ(Read("s", "k"), "1");
    WriteProfileString(ini, "s", "k", "2");
    EXPECT_EQ(ReadAll(ini), "[s]\nbig=" + big + "\nk=2\n");
}
