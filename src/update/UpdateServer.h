#pragma once
// Where the update check looks: the built-in server (a build option) unless Config.ini names another.
#include <string>

#include "settings/SettingsAccessor.h"

namespace vh::update {

// The server the build was configured with (CMake cache variable VH_UPDATE_SERVER).
std::string BuiltInServerBase();

// SystemSet/UpdateServer of settings, read now; missing or empty gives the built-in server. Trailing
// slashes are removed. The value is not checked here: see IsServerBase.
std::string UpdateServerBase(const TSettingsAccessor& settings);

// True for an http or https address with a host that "/version.ini" can be appended to. Anything else
// (other schemes, blanks, control or non-ASCII bytes, a query or fragment) is refused, so a hostile
// Config.ini can neither read local files nor reach the browser with something odd.
bool IsServerBase(const std::string& base);

// The version file on the server.
std::string VersionFileUrl(const std::string& base);
// The server's home page, offered when an update exists.
std::string HomePageUrl(const std::string& base);

} // namespace vh::update
