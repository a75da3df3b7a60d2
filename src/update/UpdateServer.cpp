#include "update/UpdateServer.h"

namespace vh::update {

namespace {
std::string& Override() {
    static std::string base;
    return base;
}
} // namespace

std::string UpdateServerBase() {
    std::string base = Override().empty() ? std::string(kUpdateServer) : Override();
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base;
}

void OverrideUpdateServerBase(const std::string& base) {
    Override() = base;
}

std::string VersionFileUrl() {
    return UpdateServerBase() + "/version.ini";
}

std::string HomePageUrl() {
    return UpdateServerBase() + "/";
}

} // namespace vh::update
