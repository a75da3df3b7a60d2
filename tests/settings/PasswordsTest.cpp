#include "settings/Passwords.h"

#include "platform/CoreTestFiles.h"
#include "platform/ProfileString.h"
#include "platform/Text.h"
#include "settings/PasswordHash.h"
#include "settings/SettingsAccessor.h"

#include <gtest/gtest.h>

using vh::test::ReadAll;
using vh::test::TempFolder;
using vh::test::WriteAll;
using vh::text::Utf8ToGbk;

namespace {

const char kDelivered[] = "[Security]\r\nPasswd=3b8a85011e78b14c132c6044318a20e4\r\n";

class Passwords : public ::testing::Test {
protected:
    void SetUp() override {
        WriteAll(ini, kDelivered);
        settings.SetSettingsPath(ini);
    }
    bool Login(const std::string& typed) { return CheckLoginPassword(settings, typed, status); }

    TempFolder dir;
    std::string ini = dir.File("Config.ini");
    TSettingsAccessor settings;
    std::string status = "stale";
};

} // namespace

TEST_F(Passwords, LoginTrimsAndAcceptsTheDeliveredPassword) {
    EXPECT_TRUE(Login("qwhmzt"));
    EXPECT_EQ(status, "");
    status = "stale";
    EXPECT_TRUE(Login(" \tqwhmzt \r\n"));
    EXPECT_EQ(status, "");
}

TEST_F(Passwords, LoginRefusesEmptyAndWrongPasswords) {
    EXPECT_FALSE(Login("  \t "));
    EXPECT_EQ(status, Utf8ToGbk("密码不能为空，请重新输入."));
    EXPECT_FALSE(Login("QWHMZT"));
    EXPECT_EQ(status, Utf8ToGbk("密码不正确，请重新输入"));
    EXPECT_FALSE(Login("qwhmz"));
    EXPECT_EQ(status, Utf8ToGbk("密码不正确，请重新输入"));
}

TEST_F(Passwords, StoredHashMustMatchExactly) {
    WriteAll(ini, "[Security]\r\nPasswd=3B8A85011E78B14C132C6044318A20E4\r\n");
    EXPECT_FALSE(Login("qwhmzt"));
    EXPECT_EQ(ChangePassword(settings, "qwhmzt", "new"), -2);
    WriteAll(ini, "[security]\r\npasswd = \"3b8a85011e78b14c132c6044318a20e4\" \r\n");
    EXPECT_TRUE(Login("qwhmzt")); // names fold, blanks and quotes go, the hash itself stays exact
}

TEST_F(Passwords, WithoutAStoredHashNothingIsAcceptedOrChanged) {
    for (const std::string& content : {std::string(), std::string("[Security]\r\nPasswd=\r\n")}) {
        WriteAll(ini, content);
        EXPECT_FALSE(Login("qwhmzt"));
        EXPECT_EQ(status, Utf8ToGbk("密码不正确，请重新输入"));
        EXPECT_EQ(ChangePassword(settings, "", "new"), -1);
        EXPECT_EQ(ChangePassword(settings, "qwhmzt", "new"), -1);
        EXPECT_EQ(ReadAll(ini), content);
    }
    std::remove(ini.c_str());
    EXPECT_EQ(ChangePassword(settings, "qwhmzt", "new"), -1);
    EXPECT_FALSE(vh::test::ReadAll(ini).size());
}

TEST_F(Passwords, ChangeNeedsTheOldPasswordAndTakesEffectAtOnce) {
    EXPECT_EQ(ChangePassword(settings, "wrong", "abc"), -2);
    EXPECT_EQ(ReadAll(ini), kDelivered);
    const std::string chinese = Utf8ToGbk("新密码");
    EXPECT_EQ(ChangePassword(settings, "qwhmzt", chinese), 0);
    EXPECT_EQ(settings.ReadText("Security", "Passwd", ""), PasswordHash(chinese));
    EXPECT_FALSE(Login("qwhmzt"));
    EXPECT_TRUE(Login(chinese));
}

TEST_F(Passwords, BlanksOfANewPasswordAreHashedWithIt) {
    EXPECT_EQ(ApplyPasswordChange(settings, "qwhmzt", " pw ", " pw "), TPasswordApplyResult::Changed);
    EXPECT_EQ(settings.ReadText("Security", "Passwd", ""), PasswordHash(" pw "));
    // The dialog trims, so it never accepts it; the page still takes it as the old password.
    EXPECT_FALSE(Login(" pw "));
    EXPECT_FALSE(Login("pw"));
    EXPECT_EQ(ApplyPasswordChange(settings, "pw", "x", "x"), TPasswordApplyResult::OldWrong);
    EXPECT_EQ(ApplyPasswordChange(settings, " pw ", "x", "x"), TPasswordApplyResult::Changed);
}

TEST_F(Passwords, PageChecksRunInOrder) {
    EXPECT_EQ(ApplyPasswordChange(settings, "", "a", "b"), TPasswordApplyResult::Mismatch);
    EXPECT_EQ(ApplyPasswordChange(settings, "qwhmzt", "a ", "a"), TPasswordApplyResult::Mismatch);
    EXPECT_EQ(ApplyPasswordChange(settings, "", "", ""), TPasswordApplyResult::EmptyField);
    EXPECT_EQ(ApplyPasswordChange(settings, " \t", "a", "a"), TPasswordApplyResult::EmptyField);
    EXPECT_EQ(ApplyPasswordChange(settings, "qwhmzt", "  ", "  "), TPasswordApplyResult::EmptyField);
    EXPECT_EQ(ApplyPasswordChange(settings, "nope", "a", "a"), TPasswordApplyResult::OldWrong);
    EXPECT_EQ(ReadAll(ini), kDelivered);
    WriteAll(ini, "");
    EXPECT_EQ(ApplyPasswordChange(settings, "qwhmzt", "a", "a"), TPasswordApplyResult::NoStoredHash);
}

TEST_F(Passwords, NoticesOfThePage) {
    const auto n = [](TPasswordApplyResult r) {
        const TPasswordNotice notice = PasswordApplyNotice(r);
        return vh::text::GbkToUtf8(notice.caption) + "|" + vh::text::GbkToUtf8(notice.text);
    };
    EXPECT_EQ(n(TPasswordApplyResult::Mismatch), "错误|您第一次和第二次输入的新密码不匹配，请重新输入");
    EXPECT_EQ(n(TPasswordApplyResult::EmptyField), "错误|密码不能为空，请重新输入。");
    EXPECT_EQ(n(TPasswordApplyResult::OldWrong), "错误|旧密码不正确，请重新输入");
    EXPECT_EQ(n(TPasswordApplyResult::NoStoredHash), "错误|配置密码时出错");
    EXPECT_EQ(n(TPasswordApplyResult::Changed), "信息|密码成功设定");
}

TEST_F(Passwords, RefusedWriteOfTheNewHashRaisesAndKeepsTheOldOne) {
    chmod(dir.Path().c_str(), 0555);
    const int rc = vh::test::RunUnprivileged([&] {
        try {
            ChangePassword(settings, "qwhmzt", "new");
        } catch (const vh::platform::ProfileWriteError& e) {
            return std::string(e.what()) == "Unable to write to " + ini ? 0 : 2;
        }
        return 1;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(ReadAll(ini), kDelivered);
}
