#pragma once
// Where the update check looks: the one place that names the update server.
#include <string>

namespace vh::update {

inline constexpr char kUpdateServer[] = "http://update.varnholt.example";

// The server's root address without a trailing slash; tests point it at a loopback server.
std::string UpdateServerBase();
// Empty restores kUpdateServer.
void OverrideUpdateServerBase(const std::string& base);

// The version file on the server.
std::string VersionFileUrl();
// The server's home page, offered when an update exists.
std::string HomePageUrl();

} // namespace vh::update
