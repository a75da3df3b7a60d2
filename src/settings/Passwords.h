#pragma once
// The password rules without any widget: the login check, the change, and the password page's order of
// checks. Texts are GBK.
#include <string>

class TSettingsAccessor;

// The login dialog's check: the typed text is trimmed first. True when it matches the stored hash (status
// then empty); otherwise statusGbk holds the dialog's status text.
bool CheckLoginPassword(const TSettingsAccessor& settings, const std::string& typed, std::string& statusGbk);

// 0 changed, -1 no stored hash, -2 old password wrong. Texts are taken exactly as given.
// Throws vh::platform::ProfileWriteError when the new hash cannot be written.
int ChangePassword(const TSettingsAccessor& settings, const std::string& oldText, const std::string& newText);

// The outcome of the password page's apply, in the order its checks run.
enum class TPasswordApplyResult {
    Mismatch,     // the two new passwords differ
    EmptyField,   // a field is empty once trimmed
    OldWrong,     // ChangePassword gave -2
    NoStoredHash, // ChangePassword gave -1
    Changed,      // ChangePassword gave 0
};

// Runs the page's checks and, when they pass, ChangePassword. Throws ProfileWriteError as ChangePassword.
TPasswordApplyResult ApplyPasswordChange(const TSettingsAccessor& settings, const std::string& oldText,
                                         const std::string& newText, const std::string& repeatText);

// The notice the page shows for an outcome: caption and text (GBK).
struct TPasswordNotice {
    std::string caption;
    std::string text;
};
TPasswordNotice PasswordApplyNotice(TPasswordApplyResult result);
