#include "platform/FileReplace.h"

#include <windows.h>

namespace vh::platform {

namespace {

std::string Why(const char* what, const std::string& path) {
    return std::string(what) + " " + path + " (error " + std::to_string(static_cast<unsigned long>(GetLastError())) +
           ")";
}

} // namespace

bool ReplaceFileDurably(const std::string& from, const std::string& to, std::string& error) {
    HANDLE h = CreateFileA(from.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = Why("cannot open", from);
        return false;
    }
    const bool flushed = FlushFileBuffers(h) != FALSE;
    if (!flushed)
        error = Why("cannot write", from);
    CloseHandle(h);
    if (!flushed)
        return false;
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = Why("cannot rename to", to);
        return false;
    }
    return true;
}

} // namespace vh::platform
