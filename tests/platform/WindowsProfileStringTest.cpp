// Windows-only corners of the settings file (the shared rules are in ProfileStringContract.cpp).
#include "platform/ProfileString.h"
#include "settings/SettingsAccessor.h"

#include "platform/WindowsTestSupport.h"
// windows.h maps the name onto its win.ini function.
#undef WriteProfileString

#include <gtest/gtest.h>

using vh::platform::ProfileWriteError;
using vh::platform::ReadProfileString;
using vh::platform::WriteProfileString;
using vh::wintest::ReadAll;
using vh::wintest::TempFolder;
using vh::wintest::WriteAll;

namespace {

class ProfileStringWindows : public ::testing::Test {
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

TEST_F(ProfileStringWindows, RefusedWriteRaisesTheErrorTextAndKeepsTheOldFile) {
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

    EXPECT_THROW(WriteProfileString(ini, "s", "", "v"), ProfileWriteError);
    EXPECT_EQ(Read("Security", "Passwd"), "keep");
}

TEST_F(ProfileStringWindows, AccessorReadsFlagsAndNumbersThroughTheSystemFunctions) {
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
