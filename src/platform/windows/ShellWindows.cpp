#include "platform/Shell.h"

#include <windows.h>

#include <shellapi.h>

namespace vh::platform {

void OpenUrl(const std::string& url) {
    if (url.empty() || url.find('\0') != std::string::npos)
        return;
    ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace vh::platform
