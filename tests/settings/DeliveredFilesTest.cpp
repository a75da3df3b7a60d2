#include "platform/CoreTestFiles.h"
#include "platform/Text.h"
#include "settings/Passwords.h"
#include "settings/SettingsAccessor.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {
std::string DistFile(const char* name) {
    const char* src = std::getenv("VH_SOURCE_DIR");
    return std::string(src ? src : ".") + "/dist/" + name;
}
} // namespace

TEST(DeliveredFiles, SettingsFileHoldsOnlyTheInitialPasswordHash) {
    EXPECT_EQ(vh::test::ReadAll(DistFile("Config.ini")), "[Security]\r\nPasswd=3b8a85011e78b14c132c6044318a20e4\r\n");
    TSettingsAccessor settings;
    settings.SetSettingsPath(DistFile("Config.ini"));
    std::string status;
    EXPECT_TRUE(CheckLoginPassword(settings, "qwhmzt", status));
    EXPECT_TRUE(CheckLoginPassword(settings, "  qwhmzt ", status));
}

TEST(DeliveredFiles, TipsAreShortGbkLines) {
    const std::string data = vh::test::ReadAll(DistFile("SuccessTips.txt"));
    ASSERT_FALSE(data.empty());
    ASSERT_EQ(data.substr(data.size() - 2), "\r\n");
    int lines = 0;
    for (std::size_t pos = 0; pos < data.size();) {
        const std::size_t end = data.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        const std::string line = data.substr(pos, end - pos);
        EXPECT_FALSE(line.empty());
        EXPECT_LE(line.size(), 86u) << lines;
        EXPECT_EQ(vh::text::GbkToUtf8(line).find("\xEF\xBF\xBD"), std::string::npos) << lines; // valid GBK
        EXPECT_EQ(line.find('?'), std::string::npos);
        pos = end + 2;
        ++lines;
    }
    EXPECT_GE(lines, 5);
    EXPECT_LE(lines, 8);
}
