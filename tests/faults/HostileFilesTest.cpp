// Settings and tips files full of garbage: reads give defaults or values, never a crash; writes keep the
// other lines; a huge tips file is not read into memory.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "monitor/NonWork.h"
#include "platform/ProfileString.h"
#include "settings/SettingsAccessor.h"
#include "support/TempFolder.h"
#include "update/Tips.h"

namespace fs = std::filesystem;

namespace {

struct TempDir : vh::test::TempFolder {
    std::string Path(const std::string& name) const { return File(name); }
};

const auto& Write = vh::test::WriteAll;
const auto& Read = vh::test::ReadAll;
std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(rng());
    return s;
}

// Every line of before (split at LF) appears in after, in order.
bool KeepsLines(const std::string& before, const std::string& after) {
    std::size_t at = 0;
    std::size_t start = 0;
    while (start < before.size()) {
        std::size_t nl = before.find('\n', start);
        const std::string line = before.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        start = nl == std::string::npos ? before.size() : nl + 1;
        if (line.empty() || line == "\r")
            continue;
        const std::size_t found = after.find(line, at);
        if (found == std::string::npos)
            return false;
        at = found + line.size();
    }
    return true;
}

// Reads every key the program uses, then writes one; the file's other lines must stay.
void ReadAllThenWrite(const std::string& path) {
    TSettingsAccessor acc;
    acc.SetSettingsPath(path);
    for (const char* key : {"StartPasswd", "RestorePasswd", "ExitPasswd"})
        (void)acc.ReadFlag("Security", key, true);
    (void)acc.ReadText("Security", "Passwd", "");
    (void)acc.ReadNumber("system", "unwork", 0);
    (void)acc.ReadText("system", "InformStr", "d");
    (void)acc.ReadNumber("TimeConfig", "MonitorInterval", 1);
    (void)acc.ReadNumber("OtherSettings", "TipInterval", 60);
    EXPECT_LE(acc.ReadText("Security", "Passwd", "").size(), 2047u);

    const std::string before = Read(path);
    try {
        acc.WriteText("SystemSet", "Version", "1.2");
    } catch (const vh::platform::ProfileWriteError&) {
        // Refusing a file it cannot rewrite safely is fine, as long as the file stays as it was.
        EXPECT_EQ(Read(path), before);
        return;
    }
    const std::string after = Read(path);
    EXPECT_EQ(acc.ReadText("SystemSet", "Version", ""), "1.2");
    EXPECT_TRUE(KeepsLines(before, after)) << "a write lost other lines";
}

TEST(HostileConfig, RandomBytes) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        TempDir d;
        const std::string path = d.Path("Config.ini");
        Write(path, RandomBytes(1 + seed * 997, seed));
        ReadAllThenWrite(path);
    }
}

TEST(HostileConfig, TenMegabyteLine) {
    TempDir d;
    const std::string path = d.Path("Config.ini");
    Write(path,
          "[Security]\r\nPasswd=" + std::string(10 << 20, 'h') + "\r\nStartPasswd=0\r\n[System]\r\nAutoRun=0\r\n");
    TSettingsAccessor acc;
    acc.SetSettingsPath(path);
    EXPECT_EQ(acc.ReadText("Security", "Passwd", ""), std::string(2047, 'h'));
    EXPECT_FALSE(acc.ReadFlag("Security", "StartPasswd", true));
    EXPECT_FALSE(acc.ReadFlag("System", "AutoRun", true));
    ReadAllThenWrite(path);
    // A key without line end at the very end, 10 MB long.
    Write(path, "[System]\nAutoMinimize=" + std::string(10 << 20, '1'));
    EXPECT_TRUE(acc.ReadFlag("System", "AutoMinimize", true)); // not an integer: the default
    EXPECT_FALSE(acc.ReadFlag("System", "AutoMinimize", false));
    ReadAllThenWrite(path);
}

TEST(HostileConfig, ByteOrderMarkAndNulBytes) {
    TempDir d;
    const std::string path = d.Path("Config.ini");
    Write(path, "\xEF\xBB\xBF[Security]\r\nStartPasswd=0\r\n[System]\r\nAutoRun=0\r\n");
    TSettingsAccessor acc;
    acc.SetSettingsPath(path);
    EXPECT_FALSE(acc.ReadFlag("System", "AutoRun", true));
    (void)acc.ReadFlag("Security", "StartPasswd", true); // either reading of the marked line is fine
    ReadAllThenWrite(path);

    const std::string withNul =
        std::string("[Security]\r\nPasswd=ab\0cd\r\nStart\0Passwd=0\r\n[Sys\0tem]\r\nAutoRun=0\r\n"
                    "[System]\r\nAutoTask=0\r\n",
                    86);
    Write(path, withNul);
    const std::string pw = acc.ReadText("Security", "Passwd", "default");
    EXPECT_TRUE(pw == "ab" || pw == "default" || pw == std::string("ab\0cd", 5)) << pw;
    EXPECT_FALSE(acc.ReadFlag("System", "AutoTask", true));
    ReadAllThenWrite(path);
    EXPECT_NE(Read(path).find(std::string("Start\0Passwd=0", 14)), std::string::npos) << "NUL line lost";
}

TEST(HostileConfig, NotAFile) {
    TempDir d;
    const std::string path = d.Path("Config.ini");
    fs::create_directories(path);
    TSettingsAccessor acc;
    acc.SetSettingsPath(path);
    EXPECT_TRUE(acc.ReadFlag("System", "AutoRun", true));
    EXPECT_EQ(acc.ReadNumber("OtherSettings", "TipInterval", 60), 60);
    EXPECT_THROW(acc.WriteFlag("System", "AutoRun", false), vh::platform::ProfileWriteError);
}

// A reminder holding a stray GBK lead byte right before a line break (half a character, as a cut text
// leaves it) must not put a raw line break into Config.ini: that would cut the reminder and leave a stray
// line in the file.
TEST(HostileConfig, ReminderWithStrayLeadByteBeforeBreak) {
    TempDir d;
    const std::string path = d.Path("Config.ini");
    TSettingsAccessor acc;
    acc.SetSettingsPath(path);
    vh::monitor::WriteReminderText(acc, "first\xb4\r\nsecond\xc4\nthird");
    const std::string file = Read(path);
    const std::string value = file.substr(file.find("InformStr="));
    EXPECT_EQ(value.find_first_of("\r\n"), value.find("\r\n")) << "raw break inside the stored value";
    const std::string back = vh::monitor::ReadReminderText(acc);
    EXPECT_NE(back.find("third"), std::string::npos) << back;
    acc.WriteText("System", "AutoRun", "0");
    EXPECT_EQ(acc.ReadText("System", "AutoRun", ""), "0");
}

long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Runs LoadTipsFile in a child so that its peak memory is measured alone. Returns the child's peak RSS
// growth in KiB and the number of tips, or -1 on a crash.
long LoadInChild(const std::string& path, int& tips, double& seconds) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const long base = PeakRssKb();
        std::vector<std::string> list;
        long result[2] = {0, 0};
        try {
            LoadTipsFile(path, list);
        } catch (...) {
            result[1] = -2;
        }
        result[0] = PeakRssKb() - base;
        if (result[1] == 0)
            result[1] = static_cast<long>(list.size());
        (void)!write(fds[1], result, sizeof result);
        _exit(0);
    }
    close(fds[1]);
    long result[2] = {-1, -1};
    const ssize_t n = read(fds[0], result, sizeof result);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (n != sizeof result || !WIFEXITED(status))
        return -1;
    tips = static_cast<int>(result[1]);
    return result[0];
}

void WriteLarge(const std::string& path, std::size_t bytes, bool lines) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::string chunk = RandomBytes(1 << 20, 99);
    if (!lines)
        for (auto& c : chunk)
            if (c == '\n' || c == '\r')
                c = 'x';
    for (std::size_t done = 0; done < bytes; done += chunk.size())
        ASSERT_EQ(std::fwrite(chunk.data(), 1, chunk.size(), f), chunk.size());
    std::fclose(f);
}

TEST(HostileTips, HundredMegabytesOfBinaryWithLineBreaks) {
    TempDir d;
    const std::string path = d.Path("SuccessTips.txt");
    WriteLarge(path, 100u << 20, true);
    int tips = -1;
    double secs = 0;
    const long grewKb = LoadInChild(path, tips, secs);
    ASSERT_GE(grewKb, 0) << "LoadTips crashed";
    EXPECT_GE(tips, 0);
    EXPECT_LE(tips, 101);
    EXPECT_LT(grewKb, 16 * 1024) << "peak memory grew by " << grewKb << " KiB";
    std::cout << "binary with breaks: " << tips << " tips, +" << grewKb << " KiB, " << secs << " s\n";
}

// One 100 MB line: only the first 101 lines count and a line over 86 bytes is skipped, so nothing of it
// needs to be kept.
TEST(HostileTips, HundredMegabytesWithoutLineBreak) {
    TempDir d;
    const std::string path = d.Path("SuccessTips.txt");
    WriteLarge(path, 100u << 20, false);
    int tips = -1;
    double secs = 0;
    const long grewKb = LoadInChild(path, tips, secs);
    ASSERT_GE(grewKb, 0) << "LoadTips crashed";
    EXPECT_EQ(tips, 0);
    EXPECT_LT(grewKb, 16 * 1024) << "the whole line was held in memory: peak grew by " << grewKb << " KiB";
    std::cout << "one 100 MB line: " << tips << " tips, +" << grewKb << " KiB, " << secs << " s\n";
}

TEST(HostileTips, NulBytesAndNoFinalBreak) {
    TempDir d;
    const std::string path = d.Path("SuccessTips.txt");
    Write(path, std::string("a\0b\r\n\0\n\r\rlast", 13));
    std::vector<std::string> list;
    LoadTipsFile(path, list);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0], std::string("a\0b", 3));
    EXPECT_EQ(list[1], std::string("\0", 1));
    EXPECT_EQ(list[4], "last");
}

} // namespace
