#include "platform/AppPaths.h"

#include <windows.h>

namespace vh::platform {

std::string ExecutablePath() {
    std::string buf(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return {};
        // A full buffer means the path was cut.
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        if (buf.size() >= 32768)
            return {};
        buf.resize(buf.size() * 2);
    }
}

char PathSeparator() {
    return '\\';
}

const char* LineEnd() {
    return "\r\n";
}

} // namespace vh::platform
