#include "platform/FileReplace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vh::platform {

namespace {

std::string Why(const char* what, const std::string& path, int err) {
    return std::string(what) + " " + path + ": " + std::strerror(err);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool ReplaceFileDurably(const std::string& from, const std::string& to, std::string& error) {
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = Why("cannot open", from, errno);
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    const int syncErr = errno;
    ::close(fd);
    if (!synced) {
        error = Why("cannot write", from, syncErr);
        return false;
    }
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        error = Why("cannot rename to", to, errno);
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const int dfd = ::open(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

} // namespace vh::platform
