// The embedded engine on Debian: libfbclient.so.2 finds its root (/usr/lib/<arch>/firebird/3.0) by itself,
// reads firebird.conf there, whose default Providers list (Remote, Engine12, Loopback) hands a plain file
// path to the Engine12 plugin in plugins/libEngine12.so, which opens the file inside this process. No server
// runs; isql-fb creates databases the same way ("CREATE DATABASE '/path/file'" with no host part). The lock
// files go to FIREBIRD_LOCK, by default /tmp/firebird, which may belong to another user; a folder of our
// own avoids that. The file itself is locked exclusively by the engine, so a second process (isql-fb
// included) cannot open it while we hold it, whatever lock folder it uses.
#include <dirent.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "storage/FbLoader.h"

namespace vh::fb {

std::string DefaultClientLibrary() {
    return "libfbclient.so.2";
}

namespace {

// Removes the lock folders of our processes that have ended. The engine keeps mutexes in shared memory
// in these folders; one left by a killed process can block every later attach, so no process shares
// one, and the folders of dead processes go.
void RemoveStaleLockFolders(const std::string& base) {
    DIR* d = ::opendir(base.c_str());
    if (!d)
        return;
    while (dirent* e = ::readdir(d)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == static_cast<long>(::getpid()))
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        const std::string dir = base + "/" + e->d_name;
        if (DIR* inner = ::opendir(dir.c_str())) {
            while (dirent* f = ::readdir(inner)) {
                if (std::strcmp(f->d_name, ".") != 0 && std::strcmp(f->d_name, "..") != 0)
                    ::unlink((dir + "/" + f->d_name).c_str());
            }
            ::closedir(inner);
        }
        ::rmdir(dir.c_str());
    }
    ::closedir(d);
}

} // namespace

void PrepareEngineEnvironment() {
    if (std::getenv("FIREBIRD_LOCK"))
        return;
    // The embedded engine holds the database file exclusively, so a private lock folder per process
    // loses nothing: a second process still gets "already opened" instead of a shared lock table.
    const std::string base = "/tmp/varnholt-fb-" + std::to_string(static_cast<unsigned long>(::getuid()));
    ::mkdir(base.c_str(), 0700);
    RemoveStaleLockFolders(base);
    const std::string dir = base + "/" + std::to_string(static_cast<long>(::getpid()));
    ::mkdir(dir.c_str(), 0700);
    ::setenv("FIREBIRD_LOCK", dir.c_str(), 1);
}

void* LoadClientLibrary(const std::string& path, std::string& error) {
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = ::dlerror();
        error = "Firebird client library " + path + " could not be loaded: " + (why ? why : "");
    }
    return library;
}

void* ClientLibrarySymbol(void* library, const char* name) {
    return ::dlsym(library, name);
}

} // namespace vh::fb
