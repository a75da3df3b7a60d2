// The embedded engine on Debian: libfbclient.so.2 finds its root (/usr/lib/<arch>/firebird/3.0) by itself,
// reads firebird.conf there, whose default Providers list (Remote, Engine12, Loopback) hands a plain file
// path to the Engine12 plugin in plugins/libEngine12.so, which opens the file inside this process. No server
// runs; isql-fb creates databases the same way ("CREATE DATABASE '/path/file'" with no host part). The lock
// files go to FIREBIRD_LOCK, by default /tmp/firebird, which may belong to another user; a folder of our
// own avoids that. The file itself is locked exclusively by the engine, so a second process (isql-fb
// included) cannot open it while we hold it, whatever lock folder it uses.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "storage/FbLoader.h"

namespace vh::fb {

std::string DefaultClientLibrary() {
    return "libfbclient.so.2";
}

void PrepareEngineEnvironment() {
    if (std::getenv("FIREBIRD_LOCK"))
        return;
    std::string dir = "/tmp/varnholt-fb-" + std::to_string(static_cast<unsigned long>(getuid()));
    ::mkdir(dir.c_str(), 0700);
    ::setenv("FIREBIRD_LOCK", dir.c_str(), 0);
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
