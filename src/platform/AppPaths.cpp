#include "platform/AppPaths.h"

#include <mutex>
#include <sys/stat.h>

namespace vh::platform {

namespace {
std::mutex& OverrideMutex() {
    static std::mutex m;
    return m;
}
std::string& OverrideDir() {
    static std::string dir;
    return dir;
}
} // namespace

std::string ExecutableDir() {
    if (std::string dir = ExecutableDirOverride(); !dir.empty())
        return dir;
    const std::string exe = ExecutablePath();
    const auto cut = exe.find_last_of(PathSeparator() == '\\' ? "\\/" : "/");
    if (cut == std::string::npos)
        return std::string(1, '.') + PathSeparator();
    return exe.substr(0, cut + 1);
}

void OverrideExecutableDir(const std::string& dirWithSeparator) {
    std::lock_guard lock(OverrideMutex());
    OverrideDir() = dirWithSeparator;
}

std::string ExecutableDirOverride() {
    std::lock_guard lock(OverrideMutex());
    return OverrideDir();
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

} // namespace vh::platform
