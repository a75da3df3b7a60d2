#include "update/UpdateCheck.h"

#include <exception>
#include <stdexcept>

#include "platform/AppLocations.h"
#include "platform/AppPaths.h"
#include "update/U_TDownFile.h"
#include "update/UpdateServer.h"

namespace {

const char kCaptionInfo[] = "\xd0\xc5\xcf\xa2";         // 信息
const char kCaptionNote[] = "\xd7\xa2\xd2\xe2\xc5\xb6"; // 注意哦
// 当前软件有版本更新，是否下载？
const char kAutomaticOffer[] = "\xb5\xb1\xc7\xb0\xc8\xed\xbc\xfe\xd3\xd0\xb0\xe6\xb1\xbe\xb8\xfc\xd0\xc2\xa3\xac"
                               "\xca\xc7\xb7\xf1\xcf\xc2\xd4\xd8\xa3\xbf";
// 本软件当前有新的版本，是否更新？
const char kManualOffer[] = "\xb1\xbe\xc8\xed\xbc\xfe\xb5\xb1\xc7\xb0\xd3\xd0\xd0\xc2\xb5\xc4\xb0\xe6\xb1\xbe"
                            "\xa3\xac\xca\xc7\xb7\xf1\xb8\xfc\xd0\xc2\xa3\xbf";
// 当前软件已是最新版本
const char kUpToDate[] = "\xb5\xb1\xc7\xb0\xc8\xed\xbc\xfe\xd2\xd1\xca\xc7\xd7\xee\xd0\xc2\xb0\xe6\xb1\xbe";
// 因为网络问题，您的更新操作未能完成。
const char kNetworkProblem[] = "\xd2\xf2\xce\xaa\xcd\xf8\xc2\xe7\xce\xca\xcc\xe2\xa3\xac\xc4\xfa\xb5\xc4\xb8\xfc"
                               "\xd0\xc2\xb2\xd9\xd7\xf7\xce\xb4\xc4\xdc\xcd\xea\xb3\xc9\xa1\xa3";

const char kFailed[] = "-1";

} // namespace

bool CheckForUpdate(const TSettingsAccessor& settings, std::string& serverVersion) {
    const vh::update::CheckResult result = vh::update::RunCheck(vh::update::PrepareCheck(settings));
    serverVersion = result.serverVersion;
    return result.updateFound;
}

namespace vh::update {

std::string LocalVersionFilePath() {
    return vh::platform::ThisProcessLocations().File(kVersionFileName);
}

CheckRequest PrepareCheck(const TSettingsAccessor& settings) {
    CheckRequest request;
    request.localVersion = settings.ReadText(vh::settings::keys::Version);
    request.serverBase = UpdateServerBase(settings);
    request.versionFile = LocalVersionFilePath();
    return request;
}

CheckResult RunCheck(const CheckRequest& request, const std::atomic<bool>* abandon) {
    CheckResult result;
    result.homePage = HomePageUrl(request.serverBase);
    try {
        if (!IsServerBase(request.serverBase))
            throw std::runtime_error("not an update server address: " + request.serverBase);
        TDownFile downFile;
        downFile.Limits.abandon = abandon;
        // A failed download throws and leaves an earlier Version.ini untouched and unread.
        downFile.Download(VersionFileUrl(request.serverBase), request.versionFile);
        if (!vh::platform::FileExists(request.versionFile))
            return result;
        TSettingsAccessor fetched;
        fetched.SetSettingsPath(request.versionFile);
        result.serverVersion = fetched.ReadText(vh::settings::keys::Version);
        result.updateFound = result.serverVersion != request.localVersion;
    } catch (const std::exception&) {
        result.serverVersion = kFailed;
        result.updateFound = false;
    }
    return result;
}

UpdateNotice AutomaticNotice(bool updateFound) {
    return updateFound ? UpdateNotice::AutomaticOffer : UpdateNotice::None;
}

UpdateNotice ManualNotice(bool updateFound, const std::string& serverVersion) {
    if (updateFound)
        return UpdateNotice::ManualOffer;
    return serverVersion == kFailed ? UpdateNotice::NetworkProblem : UpdateNotice::UpToDate;
}

std::string NoticeCaption(UpdateNotice notice) {
    switch (notice) {
    case UpdateNotice::AutomaticOffer:
    case UpdateNotice::NetworkProblem:
        return kCaptionNote;
    case UpdateNotice::ManualOffer:
    case UpdateNotice::UpToDate:
        return kCaptionInfo;
    case UpdateNotice::None:
        break;
    }
    return std::string();
}

std::string NoticeText(UpdateNotice notice) {
    switch (notice) {
    case UpdateNotice::AutomaticOffer:
        return kAutomaticOffer;
    case UpdateNotice::ManualOffer:
        return kManualOffer;
    case UpdateNotice::UpToDate:
        return kUpToDate;
    case UpdateNotice::NetworkProblem:
        return kNetworkProblem;
    case UpdateNotice::None:
        break;
    }
    return std::string();
}

bool NoticeOffersHomePage(UpdateNotice notice) {
    return notice == UpdateNotice::AutomaticOffer || notice == UpdateNotice::ManualOffer;
}

bool ReportCheck(CheckKind kind, const CheckResult& result, const AskUser& ask) {
    const UpdateNotice notice = kind == CheckKind::Automatic ? AutomaticNotice(result.updateFound)
                                                             : ManualNotice(result.updateFound, result.serverVersion);
    if (notice == UpdateNotice::None)
        return false;
    const bool yes = ask(NoticeCaption(notice), NoticeText(notice));
    return yes && NoticeOffersHomePage(notice);
}

bool RunAutomaticCheck(const TSettingsAccessor& settings, const AskUser& ask) {
    return ReportCheck(CheckKind::Automatic, RunCheck(PrepareCheck(settings)), ask);
}

bool RunManualCheck(const TSettingsAccessor& settings, const AskUser& ask) {
    return ReportCheck(CheckKind::Manual, RunCheck(PrepareCheck(settings)), ask);
}

} // namespace vh::update
