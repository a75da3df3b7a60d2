#include "update/UpdateGui.h"

#include "platform/Shell.h"
#include "update/UpdateCheck.h"

namespace {

std::function<void(const std::string&)>& Opener() {
    static std::function<void(const std::string&)> opener;
    return opener;
}

void OpenHomePage(const std::string& url) {
    if (Opener())
        Opener()(url);
    else
        vh::platform::OpenUrl(url);
}

void Check(vh::PageHost& host, const TSettingsAccessor& settings, vh::update::CheckKind kind) {
    const vh::update::CheckResult result = vh::update::RunCheck(vh::update::PrepareCheck(settings));
    const auto ask = [&host](const std::string& caption, const std::string& text) {
        return host.ShowNotice(caption, text);
    };
    if (vh::update::ReportCheck(kind, result, ask))
        OpenHomePage(result.homePage);
}

} // namespace

void tmrUpdateTimer(vh::PageHost& host, const TSettingsAccessor& settings) {
    Check(host, settings, vh::update::CheckKind::Automatic);
}

void Label1Click(vh::PageHost& host, const TSettingsAccessor& settings) {
    Check(host, settings, vh::update::CheckKind::Manual);
}

namespace vh::update {

void SetHomePageOpener(std::function<void(const std::string& url)> opener) {
    Opener() = std::move(opener);
}

} // namespace vh::update
