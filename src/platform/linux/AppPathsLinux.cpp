#include "platform/AppPaths.h"

#include <string>
#include <unistd.h>

namespace vh::platform {

std::string ExecutablePath() {
    std::string buf(4096, '\0');
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < buf.size()) {
            buf.resize(static_cast<std::size_t>(n));
            return buf;
        }
        buf.resize(buf.size() * 2);
    }
}

char PathSeparator() {
    return '/';
}

const char* LineEnd() {
    return "\n";
}

} // namespace vh::platform
