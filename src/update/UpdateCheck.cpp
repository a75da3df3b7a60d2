#include "update/UpdateCheck.h"

#include <exception>

#include "platform/AppPaths.h"
#include "update/U_TDownFile.h"
#include "update/UpdateServer.h"

namespace {

const char kSection[] = "SystemSet";
const char kKey[] = "Version";
const char kDefaultVersion[] = "1.0";

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
    serverVersion.clear();
    const std::string local = settings.ReadText(kSection, kKey, kDefaultVersion);
    try {
        TDownFile downFile;
        const std::string file = vh::update::LocalVersionFilePath();
        // A failed download throws and leaves an earlier Version.ini untouched and unread.
        downFile.Download(vh::update::VersionFileUrl(), file);
        if (!vh::platform::FileExists(file))
            return false;
        TSettingsAccessor fetched;
        fetched.SetSettingsPath(file);
        serverVersion = fetched.ReadText(kSection, kKey, kDefaultVersion);
        return serverVersion != local;
    } catch (const std::exception&) {
        serverVersion = kFailed;
        return false;
    }
}

namespace vh::update {

std::string LocalVersionFilePath() {
    return vh::platform::ExecutableDir() + "Version.ini";
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

namespace {

bool Tell(UpdateNotice notice, const AskUser& ask) {
    if (notice == UpdateNotice::None)
        return false;
    const bool yes = ask(NoticeCaption(notice), NoticeText(notice));
    return yes && NoticeOffersHomePage(notice);
}

} // namespace

bool RunAutomaticCheck(const TSettingsAccessor& settings, const AskUser& ask) {
    std::string version;
    const bool found = CheckForUpdate(settings, version);
    return Tell(AutomaticNotice(found), ask);
}

bool RunManualCheck(const TSettingsAccessor& settings, const AskUser& ask) {
    std::string version;
    const bool found = CheckForUpdate(settings, version);
    return Tell(ManualNotice(found, version), ask);
}

} // namespace vh::update
