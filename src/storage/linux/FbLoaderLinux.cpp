// The embedded engine on Debian: libfbclient.so.2 finds its root (/usr/lib/<arch>/firebird/3.0) by itself,
// reads firebird.conf there, whose default Providers list (Remote, Engine12, Loopback) hands a plain file
// path to the Engine12 plugin in plugins/libEngine12.so, which opens the file inside this process. No server
// runs; isql-fb creates databases the same way ("CREATE DATABASE '/path/file'" with no host part). The lock
// files go to FIREBIRD_LOCK, by default /tmp/firebird, which may belong to another user; a folder of our
// own avoids that.
//
// In the engine's default mode (ServerMode Super) it locks the file exclusively, so a second process
// (isql-fb included) cannot open it while we hold it. SuperClassic opens it shared, and the processes agree
// through the lock table in their lock folder. The mode is global: an attachment's isc_dpb_config cannot
// set it, only the firebird.conf of the engine's root can, and the root comes from FIREBIRD (read once,
// at the first call), while the plugins stay in Debian's fixed folder. So for shared access the engine
// gets a root of ours holding only that setting and links to the system's message file and character
// sets, which is also its lock folder: a second process opens the database safely only with both
// FIREBIRD and FIREBIRD_LOCK naming that folder (with another lock folder nothing stops it from writing
// beside us unguarded). Debian's engine guards that lock table with mutexes that are not robust: a process
// killed while it holds one leaves every other process on the database waiting forever, which is why the
// program shares its database only when the user asks for it.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "storage/FbLoader.h"

namespace vh::fb {

std::string DefaultClientLibrary() {
    return "libfbclient.so.2";
}

namespace {

// Removes the lock folders of our processes that have ended: in the exclusive mode every process has one of
// its own, so a lock table a killed process left behind never meets a later process.
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

// A folder of this user alone: a planted link or someone else's folder must never give the engine its
// configuration (firebird.conf can name plugins to load) or its lock table.
bool PrivateFolder(const std::string& dir) {
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

std::string UserBase() {
    const std::string base = "/tmp/varnholt-fb-" + std::to_string(static_cast<unsigned long>(::getuid()));
    ::mkdir(base.c_str(), 0700);
    return base;
}

// The root of the loaded library's engine (its message file and character sets): Debian keeps it in
// <libdir>/firebird/3.0, an installation of its own is the folder above its lib folder.
std::string SystemRoot(void* library) {
    link_map* map = nullptr;
    if (::dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name)
        return {};
    const std::string lib = map->l_name;
    const std::size_t slash = lib.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    const std::string dir = lib.substr(0, slash);
    const std::string candidates[] = {dir + "/firebird/3.0", dir.substr(0, dir.find_last_of('/'))};
    for (const std::string& c : candidates)
        if (::access((c + "/firebird.msg").c_str(), R_OK) == 0)
            return c;
    return {};
}

// Written under a temporary name and renamed: a process starting meanwhile reads the old or the new file.
void WriteFileIfDifferent(const std::string& path, const std::string& content) {
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::string now(content.size() + 1, '\0');
        const std::size_t n = std::fread(now.data(), 1, now.size(), f);
        std::fclose(f);
        if (n == content.size() && now.compare(0, n, content) == 0)
            return;
    }
    const std::string tmp = path + "." + std::to_string(static_cast<long>(::getpid()));
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return;
    const bool ok = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    ::close(fd);
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0)
        ::unlink(tmp.c_str());
}

// A link in our root to what the engine finds relative to its root: the message file and the character
// sets' module (fbintl.conf names it as $(root)/intl/fbintl).
void LinkFromSystemRoot(const std::string& folder, const std::string& systemRoot, const char* name) {
    if (systemRoot.empty())
        return;
    const std::string target = systemRoot + "/" + name;
    const std::string link = folder + "/" + name;
    char now[4096];
    const ssize_t n = ::readlink(link.c_str(), now, sizeof now);
    if (n > 0 && std::string(now, static_cast<std::size_t>(n)) == target)
        return;
    ::unlink(link.c_str());
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        // Without the link the engine still opens databases; it only reports what it misses in its log.
    }
}

bool g_rootSet = false;

// The folder a caller chose as FIREBIRD_LOCK (tests), else /tmp/varnholt-fb-<uid>/shared; empty when that
// is not ours alone.
std::string SharedEngineFolder(void* library) {
    std::string dir;
    if (const char* preset = std::getenv("FIREBIRD_LOCK"); preset && *preset) {
        dir = preset;
    } else {
        const std::string base = UserBase();
        if (!PrivateFolder(base))
            return {};
        dir = base + "/shared";
        ::mkdir(dir.c_str(), 0700);
        if (!PrivateFolder(dir))
            return {};
    }
    // A root the caller set for the engine is theirs, and so is its mode.
    if (!std::getenv("FIREBIRD")) {
        WriteFileIfDifferent(dir + "/firebird.conf",
                             "# Varnholt's embedded engine: databases open shared, so that isql-fb and other tools of\n"
                             "# this user may read them while the program runs (with FIREBIRD and FIREBIRD_LOCK both\n"
                             "# naming this folder).\n"
                             "ServerMode = SuperClassic\n");
        const std::string systemRoot = SystemRoot(library);
        LinkFromSystemRoot(dir, systemRoot, "firebird.msg");
        LinkFromSystemRoot(dir, systemRoot, "intl");
        ::setenv("FIREBIRD", dir.c_str(), 1);
        g_rootSet = true;
    }
    ::setenv("FIREBIRD_LOCK", dir.c_str(), 1);
    return dir;
}

} // namespace

std::string PrepareEngineEnvironment(void* library, bool sharedAccess) {
    // A file-size limit (a full disk as the tests make one) must fail the engine's write, a backup's for
    // instance, and not end the process.
    ::signal(SIGXFSZ, SIG_IGN);
    if (sharedAccess) {
        std::string dir = SharedEngineFolder(library);
        if (!dir.empty())
            return dir;
    }
    if (std::getenv("FIREBIRD_LOCK"))
        return {};
    // Holding the database file exclusively, the engine loses nothing with a private lock folder per
    // process: a second process still gets "already opened" instead of a shared lock table.
    const std::string base = UserBase();
    RemoveStaleLockFolders(base);
    const std::string dir = base + "/" + std::to_string(static_cast<long>(::getpid()));
    ::mkdir(dir.c_str(), 0700);
    ::setenv("FIREBIRD_LOCK", dir.c_str(), 1);
    return {};
}

void EngineEnvironmentRead() {
    if (g_rootSet)
        ::unsetenv("FIREBIRD");
    g_rootSet = false;
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
