#pragma once
#include <string>

namespace vh::platform {

// Opens an address in the default browser ("open" verb); failures are not reported.
void OpenUrl(const std::string& url);

} // namespace vh::platform
