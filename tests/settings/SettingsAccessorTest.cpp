#include "settings/SettingsAccessor.h"

#include "platform/AppPaths.h"
#include "platform/CoreTestFiles.h"
#include "platform/ProfileString.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

using vh::test::ReadAll;
using vh::test::TempFolder;
using vh::test::WriteAll;

namespace {

class SettingsAccessor : public ::testing::Test {
protected:
    void SetUp() override { settings.SetSettingsPath(ini); }
    TempFolder dir;
    std::string ini = dir.File("Config.ini");
    TSettingsAccessor settings;
};

} // namespace

TEST_F(SettingsAccessor, WithoutTheFileEveryReadGivesItsDefault) {
    const std::pair<const char*, const char*> flags[] = {{"Security", "StartPasswd"},    {"Security", "RestorePasswd"},
                                                         {"Security", "ExitPasswd"},     {"System", "AutoRun"},
                                                         {"System", "AutoMinimize"},     {"System", "AutoTask"},
                                                         {"OtherSettings", "AutoUpdate"}};
    for (const auto& [sec, key] : flags)
        EXPECT_TRUE(settings.ReadFlag(sec, key, true)) << key;
    EXPECT_EQ(settings.ReadNumber("OtherSettings", "TipInterval", 60), 60);
    EXPECT_EQ(settings.ReadNumber("system", "unwork", 0), 0);
    EXPECT_EQ(settings.ReadText("Security", "Passwd", ""), "");
    EXPECT_EQ(settings.ReadText("SystemSet", "Version", "1.0"), "1.0");
    EXPECT_EQ(settings.StorageKind(), TSettingsAccessor::ptIniFile);
    EXPECT_FALSE(vh::platform::FileExists(ini)); // reads never create the file
}

TEST_F(SettingsAccessor, FlagsAndNumbersAreReadAsIntegers) {
    WriteAll(ini, "[Security]\r\nStartPasswd=2\r\nRestorePasswd=0x0\r\nExitPasswd=yes\r\n"
                  "[OtherSettings]\r\nTipInterval=0x1E\r\nAutoUpdate=-1\r\n[TimeConfig]\r\nMonitorInterval= 5 \r\n"
                  "TimeFrom=\r\nTaskexecutype=1.5\r\n");
    EXPECT_TRUE(settings.ReadFlag("Security", "StartPasswd", false));
    EXPECT_FALSE(settings.ReadFlag("Security", "RestorePasswd", true));
    EXPECT_TRUE(settings.ReadFlag("Security", "ExitPasswd", true));
    EXPECT_FALSE(settings.ReadFlag("Security", "ExitPasswd", false));
    EXPECT_TRUE(settings.ReadFlag("OtherSettings", "AutoUpdate", false));
    EXPECT_EQ(settings.ReadNumber("OtherSettings", "TipInterval", 60), 30);
    EXPECT_EQ(settings.ReadNumber("TimeConfig", "MonitorInterval", 1), 5);
    EXPECT_EQ(settings.ReadNumber("TimeConfig", "TimeFrom", 7), 7); // empty value
    EXPECT_EQ(settings.ReadNumber("TimeConfig", "TaskExecutype", 1), 1);
}

TEST_F(SettingsAccessor, FlagsAndNumbersAreWrittenAsDecimalText) {
    settings.WriteFlag("Security", "StartPasswd", false);
    settings.WriteFlag("Security", "ExitPasswd", true);
    settings.WriteNumber("system", "unwork", 3);
    settings.WriteNumber("TimeConfig", "MonitorInterval", -5);
    EXPECT_EQ(ReadAll(ini), "[Security]\r\nStartPasswd=0\r\nExitPasswd=1\r\n[system]\r\nunwork=3\r\n"
                            "[TimeConfig]\r\nMonitorInterval=-5\r\n");
    EXPECT_FALSE(settings.ReadFlag("Security", "StartPasswd", true));
    EXPECT_EQ(settings.ReadNumber("TimeConfig", "MonitorInterval", 1), -5);
}

TEST_F(SettingsAccessor, SystemAndsystemAreOneSection) {
    settings.WriteNumber("system", "unwork", 2);
    settings.WriteFlag("System", "AutoRun", false);
    EXPECT_EQ(settings.ReadNumber("System", "unwork", 0), 2);
    EXPECT_FALSE(settings.ReadFlag("system", "AutoRun", true));
    settings.WriteText("TimeConfig", "DaySetting", "2026-12-09");
    EXPECT_EQ(settings.ReadText("TimeConfig", "Daysetting", ""), "2026-12-09");
    settings.WriteNumber("TimeConfig", "Taskexecutype", 0);
    settings.WriteText("TimeConfig", "TaskExecutype", "2");
    EXPECT_EQ(settings.ReadNumber("TimeConfig", "TaskExecutype", 1), 2);
    EXPECT_EQ(ReadAll(ini), "[system]\r\nunwork=2\r\nAutoRun=0\r\n[TimeConfig]\r\nDaySetting=2026-12-09\r\n"
                            "Taskexecutype=2\r\n");
}

TEST_F(SettingsAccessor, ReplacingAValueKeepsEveryOtherLine) {
    const std::string head = "; Varnholt\r\n[Security]\r\nPasswd=3b8a85011e78b14c132c6044318a20e4\r\n"
                             "  ; the start switch\r\nStartPasswd = 1\r\n";
    const std::string tail = "\r\n[SystemSet]\r\nVersion=1.0\r\n";
    WriteAll(ini, head + tail);
    settings.WriteText("SystemSet", "Version", "1.2");
    EXPECT_EQ(ReadAll(ini), head + "\r\n[SystemSet]\r\nVersion=1.2\r\n");
    settings.WriteFlag("Security", "StartPasswd", false);
    EXPECT_EQ(ReadAll(ini), "; Varnholt\r\n[Security]\r\nPasswd=3b8a85011e78b14c132c6044318a20e4\r\n"
                            "  ; the start switch\r\nStartPasswd =0\r\n\r\n[SystemSet]\r\nVersion=1.2\r\n");
}

TEST_F(SettingsAccessor, ChineseTextRoundTripsAsGbkBytes) {
    const std::string inform = vh::text::Utf8ToGbk("您现在处理的是否是重要的事情呢？是否应该做一些更为重要的事情?");
    const std::string tricky = "\xB0\x5D\xB0\x5C\xB0\x61 \"x\" " + vh::text::Utf8ToGbk("€"); // ']' '\' 'a' seconds
    settings.WriteText("system", "InformStr", inform);
    EXPECT_EQ(settings.ReadText("system", "InformStr", ""), inform);
    EXPECT_NE(ReadAll(ini).find(inform), std::string::npos); // stored as GBK, not converted
    settings.WriteText("system", "InformStr", tricky);
    EXPECT_EQ(settings.ReadText("System", "InformStr", ""), tricky);
}

TEST_F(SettingsAccessor, LongValuesReadAs2047Bytes) {
    settings.WriteText("system", "InformStr", std::string(3000, 'q'));
    EXPECT_EQ(settings.ReadText("system", "InformStr", ""), std::string(2047, 'q'));
    EXPECT_NE(ReadAll(ini).find(std::string(3000, 'q')), std::string::npos); // the file keeps all of it
}

TEST_F(SettingsAccessor, RefusedWriteRaisesTheErrorTextAndKeepsTheOldFile) {
    const std::string old = "[Security]\r\nPasswd=3b8a85011e78b14c132c6044318a20e4\r\n";
    WriteAll(ini, old);
    chmod(dir.Path().c_str(), 0555);
    const int rc = vh::test::RunUnprivileged([&] {
        try {
            settings.WriteText("Security", "Passwd", "0123");
        } catch (const vh::platform::ProfileWriteError& e) {
            return std::string(e.what()) == "Unable to write to " + ini ? 0 : 2;
        }
        return 1;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(ReadAll(ini), old);
}

TEST_F(SettingsAccessor, PathChangesTakeEffectAtTheNextAccess) {
    WriteAll(ini, "[s]\r\nk=first\r\n");
    const std::string other = dir.File("Other.ini");
    WriteAll(other, "[s]\r\nk=second\r\n");
    TSettingsAccessor second;
    second.SetSettingsPath(ini);
    EXPECT_EQ(settings.ReadText("s", "k", ""), "first");
    second.WriteText("s", "k", "changed"); // no accessor caches anything
    EXPECT_EQ(settings.ReadText("s", "k", ""), "changed");
    settings.SetSettingsPath(other);
    EXPECT_EQ(settings.ReadText("s", "k", ""), "second");
}

TEST(SettingsFilePath, ConfigIniLiesInTheApplicationFolder) {
    vh::platform::OverrideExecutableDir("/some/where/");
    EXPECT_EQ(ConfigFilePath(), "/some/where/Config.ini");
    vh::platform::OverrideExecutableDir("");
    const std::string exe = vh::platform::ExecutablePath();
    EXPECT_EQ(ConfigFilePath(), exe.substr(0, exe.rfind('/') + 1) + "Config.ini");
    EXPECT_EQ(vh::platform::ExecutableDir().back(), '/');
    EXPECT_TRUE(vh::platform::FileExists(exe));
    EXPECT_FALSE(vh::platform::FileExists(vh::platform::ExecutableDir()));
}
