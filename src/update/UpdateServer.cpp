#include "update/UpdateServer.h"

#include <cstring>

namespace vh::update {

namespace {

std::string WithoutTrailingSlashes(std::string base) {
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base;
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    if (s.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

// The characters an address may hold, less '?' and '#': what follows them would swallow the path.
bool IsAddressChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::strchr("-._~:/[]@!$&'()*+,;=%", c) != nullptr && c != '\0';
}

} // namespace

std::string BuiltInServerBase() {
    return WithoutTrailingSlashes(VH_UPDATE_SERVER);
}

std::string UpdateServerBase(const TSettingsAccessor& settings) {
    const std::string configured = WithoutTrailingSlashes(settings.ReadText(vh::settings::keys::UpdateServer));
    return configured.empty() ? BuiltInServerBase() : configured;
}

bool IsServerBase(const std::string& base) {
    std::size_t hostStart = 0;
    if (StartsWithNoCase(base, "http://"))
        hostStart = 7;
    else if (StartsWithNoCase(base, "https://"))
        hostStart = 8;
    else
        return false;
    if (base.size() == hostStart || base[hostStart] == '/' || base[hostStart] == ':')
        return false;
    for (char c : base)
        if (!IsAddressChar(c))
            return false;
    return true;
}

std::string VersionFileUrl(const std::string& base) {
    return base + "/version.ini";
}

std::string HomePageUrl(const std::string& base) {
    return base + "/";
}

} // namespace vh::update
