#include "platform/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vh::platform {

namespace {

bool OwnFolder(const std::string& dir) {
    struct stat st {};
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
}

// A folder of this user's alone, so that users never block each other: the session's runtime folder, else
// the user's runtime folder (a shell without the variable still meets the copy started from the desktop),
// else one of our own in /tmp. Someone else's folder (a runtime folder kept across su) is passed over.
std::string LockFolder() {
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run == '/' && OwnFolder(run))
        return run;
    if (const std::string run = "/run/user/" + std::to_string(geteuid()); OwnFolder(run))
        return run;
    const std::string dir = "/tmp/varnholt-" + std::to_string(geteuid());
    mkdir(dir.c_str(), 0700);
    struct stat st {};
    // Someone else's folder or a link planted there is no place for our lock.
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
        return {};
    return dir;
}

std::string LockFileName(const std::string& name) {
    std::string out;
    for (char c : name)
        out += (c == '/' || c == '\0') ? '_' : c;
    return out.empty() ? "_" : out;
}

} // namespace

struct SingleInstance::Impl {
    int fd = -1;
};

SingleInstance::SingleInstance(const std::string& name) : impl_(std::make_unique<Impl>()) {
    const std::string dir = LockFolder();
    if (dir.empty())
        return;
    const std::string path = dir + "/" + LockFileName(name) + ".lock";
    // Close-on-exec: a program we start (the browser) must not inherit the lock and outlive us with it.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    if (fd < 0)
        return; // like a mutex that could not be created: the start goes on
    int rc;
    do
        rc = flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        alreadyExists_ = errno == EWOULDBLOCK;
        close(fd);
        return;
    }
    impl_->fd = fd;
}

SingleInstance::~SingleInstance() {
    Release();
}

void SingleInstance::Release() {
    if (impl_ && impl_->fd >= 0) {
        flock(impl_->fd, LOCK_UN);
        close(impl_->fd);
        impl_->fd = -1;
    }
}

} // namespace vh::platform
