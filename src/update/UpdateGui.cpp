#include "update/UpdateGui.h"

#include "platform/Shell.h"
#include "update/UpdateCheck.h"
#include "update/UpdateServer.h"

namespace {

std::function<void(const std::string&)>& Opener() {
    static std::function<void(const std::string&)> opener;
    return opener;
}

void OpenHomePage() {
    const std::string url = vh::update::HomePageUrl();
    if (Opener())
        Opener()(url);
    else
        vh::platform::OpenUrl(url);
}

vh::update::AskUser AskThrough(vh::PageHost& host) {
    return [&host](const std::string& caption, const std::string& text) { return host.ShowNotice(caption, text); };
}

} // namespace

void tmrUpdateTimer(vh::PageHost& host, const TSettingsAccessor& settings) {
    if (vh::update::RunAutomaticCheck(settings, AskThrough(host)))
        OpenHomePage();
}

void Label1Click(vh::PageHost& host, const TSettingsAccessor& settings) {
    if (vh::update::RunManualCheck(settings, AskThrough(host)))
        OpenHomePage();
}

namespace vh::update {

void SetHomePageOpener(std::function<void(const std::string& url)> opener) {
    Opener() = std::move(opener);
}

} // namespace vh::update
