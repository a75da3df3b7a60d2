#pragma once
// The version check against the update server and what its two callers tell the user.
#include <atomic>
#include <functional>
#include <string>

#include "settings/SettingsAccessor.h"

// Fetches the server's version file into Version.ini in the data folder and compares its
// SystemSet/Version with the running one from settings, byte for byte. serverVersion: the server's version
// after a successful fetch, "-1" after a failed one, empty when the fetched file is missing afterwards.
// Never throws.
bool CheckForUpdate(const TSettingsAccessor& settings, std::string& serverVersion);

namespace vh::update {

inline constexpr char kVersionFileName[] = "Version.ini";

// Version.ini in the program's data folder (not ApplicationDir: a check may run before start-up sets it).
std::string LocalVersionFilePath();

// What one check needs from Config.ini and the folders, taken at the moment the check starts, so the
// transfer itself can run on any thread.
struct CheckRequest {
    std::string localVersion; // SystemSet/Version of Config.ini
    std::string serverBase;   // the update server; the check fails without a transfer unless IsServerBase
    std::string versionFile;  // Version.ini in the data folder
};

struct CheckResult {
    bool updateFound = false;
    std::string serverVersion; // the out text of CheckForUpdate
    std::string homePage;      // of the server that was asked
};

CheckRequest PrepareCheck(const TSettingsAccessor& settings);
// The transfer and the comparison; never throws. abandon, when set by another thread, ends the transfer
// early (the result is then a failed check).
CheckResult RunCheck(const CheckRequest& request, const std::atomic<bool>* abandon = nullptr);

enum class UpdateNotice {
    None,           // nothing to say
    AutomaticOffer, // "注意哦" / "当前软件有版本更新，是否下载？"
    ManualOffer,    // "信息" / "本软件当前有新的版本，是否更新？"
    UpToDate,       // "信息" / "当前软件已是最新版本"
    NetworkProblem, // "注意哦" / "因为网络问题，您的更新操作未能完成。"
};

// The timer's check stays silent unless there is an update.
UpdateNotice AutomaticNotice(bool updateFound);
UpdateNotice ManualNotice(bool updateFound, const std::string& serverVersion);

// Caption and text of a notice (GBK); empty for None.
std::string NoticeCaption(UpdateNotice notice);
std::string NoticeText(UpdateNotice notice);
// True for the questions whose "yes" opens the home page.
bool NoticeOffersHomePage(UpdateNotice notice);

// Shows a notice (caption, text), true when confirmed.
using AskUser = std::function<bool(const std::string& caption, const std::string& text)>;

// The timer's check or one asked for with the "更新" controls.
enum class CheckKind { Automatic, Manual };

// Tells the user the outcome of a finished check of that kind through ask; true when the user wants the
// home page.
bool ReportCheck(CheckKind kind, const CheckResult& result, const AskUser& ask);

// One automatic (timer) or manual check on the calling thread, asking through ask; true when the user
// wants the home page.
bool RunAutomaticCheck(const TSettingsAccessor& settings, const AskUser& ask);
bool RunManualCheck(const TSettingsAccessor& settings, const AskUser& ask);

} // namespace vh::update
