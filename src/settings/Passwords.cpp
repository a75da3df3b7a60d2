#include "settings/Passwords.h"

#include "platform/Text.h"
#include "settings/PasswordHash.h"
#include "settings/SettingsAccessor.h"

namespace {

std::string StoredHash(const TSettingsAccessor& settings) {
    return settings.ReadText(vh::settings::keys::Passwd);
}

std::string Gbk(const char* utf8) {
    return vh::text::Utf8ToGbk(utf8);
}

} // namespace

bool CheckLoginPassword(const TSettingsAccessor& settings, const std::string& typed, std::string& statusGbk) {
    const std::string text = vh::text::Trim(typed);
    if (text.empty()) {
        statusGbk = Gbk("密码不能为空，请重新输入.");
        return false;
    }
    // No stored hash never matches: a hash is never empty.
    if (PasswordHash(text) != StoredHash(settings)) {
        statusGbk = Gbk("密码不正确，请重新输入");
        return false;
    }
    statusGbk.clear();
    return true;
}

int ChangePassword(const TSettingsAccessor& settings, const std::string& oldText, const std::string& newText) {
    const std::string stored = StoredHash(settings);
    if (stored.empty())
        return -1;
    if (PasswordHash(oldText) != stored)
        return -2;
    settings.WriteText(vh::settings::keys::Passwd, PasswordHash(newText));
    return 0;
}

TPasswordApplyResult ApplyPasswordChange(const TSettingsAccessor& settings, const std::string& oldText,
                                         const std::string& newText, const std::string& repeatText) {
    if (newText != repeatText)
        return TPasswordApplyResult::Mismatch;
    if (vh::text::Trim(oldText).empty() || vh::text::Trim(newText).empty() || vh::text::Trim(repeatText).empty())
        return TPasswordApplyResult::EmptyField;
    switch (ChangePassword(settings, oldText, newText)) {
    case 0:
        return TPasswordApplyResult::Changed;
    case -1:
        return TPasswordApplyResult::NoStoredHash;
    default:
        return TPasswordApplyResult::OldWrong;
    }
}

TPasswordNotice PasswordApplyNotice(TPasswordApplyResult result) {
    switch (result) {
    case TPasswordApplyResult::Mismatch:
        return {Gbk("错误"), Gbk("您第一次和第二次输入的新密码不匹配，请重新输入")};
    case TPasswordApplyResult::EmptyField:
        return {Gbk("错误"), Gbk("密码不能为空，请重新输入。")};
    case TPasswordApplyResult::OldWrong:
        return {Gbk("错误"), Gbk("旧密码不正确，请重新输入")};
    case TPasswordApplyResult::NoStoredHash:
        return {Gbk("错误"), Gbk("配置密码时出错")};
    case TPasswordApplyResult::Changed:
        break;
    }
    return {Gbk("信息"), Gbk("密码成功设定")};
}
