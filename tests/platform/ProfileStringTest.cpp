#include "platform/ProfileString.h"

#include "platform/CoreTestFiles.h"

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

class ProfileStringLinux : public ::testing::Test {
protected:
    std::string Read(const std::string& sec, const std::string& key, const std::string& def = "<def>") {
        return ReadProfileString(ini, sec, key, def);
    }
    TempFolder dir;
    std::string ini = dir.File("Config.ini");
};

} // namespace

// Tabs and quote corners, checked on our reader only.
TEST_F(ProfileStringLinux, TabsDoubledAndMixedQuotesAndALoneQuote) {
    WriteAll(ini, "\t[Security]\r\n\t Passwd \t= \tabc\t\r\nC=\"\"two\"\"\r\nE=\"mixed'\r\nH=\"\r\n");
    EXPECT_EQ(Read("Security", "Passwd"), "abc");
    EXPECT_EQ(Read("Security", "C"), "\"two\"");
    EXPECT_EQ(Read("Security", "E"), "\"mixed'");
    EXPECT_EQ(Read("Security", "H"), "\"");
}

TEST_F(ProfileStringLinux, NulBytesEndAValueAndNeverCrash) {
    WriteAll(ini, std::string("[s]\nk=ab\0cd\nn\0x=1\n[t\0]\nk=2\n", 27));
    EXPECT_EQ(Read("s", "k"), "ab");
    EXPECT_EQ(Read("s", std::string("k\0zz", 4)), "ab"); // the name as the C API sees it
    WriteProfileString(ini, "s", "k", std::string("xy\0z", 4));
    EXPECT_EQ(Read("s", "k"), "xy");
}

TEST_F(ProfileStringLinux, WriteKeepsModeAndWritesThroughALink) {
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

TEST_F(ProfileStringLinux, ReadOnlyFolderOrFileRaiseTheErrorAndLeaveTheOldFile) {
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

TEST_F(ProfileStringLinux, FullDiskLeavesTheOldFileAndNoTemporaryFile) {
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

TEST_F(ProfileStringLinux, AReaderSeesTheOldOrTheNewFileNeverAPartOne) {
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

TEST_F(ProfileStringLinux, HostileFilesNeverBreakReadsOrWrites) {
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

TEST_F(ProfileStringLinux, TenMegabyteLineIsReadAndKept) {
    const std::string big(10 * 1024 * 1024, 'z');
    WriteAll(ini, "[s]\nbig=" + big + "\nk=1\n");
    EXPECT_EQ(Read("s", "big"), std::string(2047, 'z'));
    EXPECT_EQ(Read("s", "k"), "1");
    WriteProfileString(ini, "s", "k", "2");
    EXPECT_EQ(ReadAll(ini), "[s]\nbig=" + big + "\nk=2\n");
}
