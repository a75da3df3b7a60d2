#include "platform/AppLocations.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/AppPaths.h"

namespace vh::platform {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string HomeFolder() {
    std::string home = Env("HOME");
    if (home.empty())
        if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_dir)
            home = pw->pw_dir;
    return home;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Every missing folder of the path, each private to the user as the base-directory rules ask.
void MakeFolders(const std::string& dir) {
    for (std::size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos != dir.size() && dir[pos] != '/')
            continue;
        const std::string part = dir.substr(0, pos);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw std::runtime_error("cannot create " + part + ": " + std::strerror(errno));
    }
    if (!IsFolder(dir))
        throw std::runtime_error(dir + " is not a folder");
}

// Copies from into a fresh file beside to and links it into place: to then holds the whole file or does not
// exist, and a file that appeared there meanwhile is kept. False with errno when the copy failed.
bool CopyIfMissing(const std::string& from, const std::string& to) {
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    std::string tmp = to + ".XXXXXX";
    const int out = mkostemp(tmp.data(), O_CLOEXEC);
    if (out < 0) {
        const int err = errno;
        close(in);
        errno = err;
        return false;
    }
    struct stat st {};
    bool ok = fstat(in, &st) == 0;
    for (off_t left = st.st_size; ok && left > 0;) {
        const ssize_t n = sendfile(out, in, nullptr, static_cast<std::size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        left -= n;
    }
    ok = ok && fsync(out) == 0;
    int err = errno;
    close(in);
    ok = close(out) == 0 && ok;
    // A folder on a file system without hard links gets the file renamed into place.
    if (ok && link(tmp.c_str(), to.c_str()) != 0 && errno != EEXIST &&
        !((errno == EPERM || errno == EOPNOTSUPP) && rename(tmp.c_str(), to.c_str()) == 0)) {
        ok = false;
        err = errno;
    }
    unlink(tmp.c_str());
    errno = err;
    return ok;
}

} // namespace

LocationFacts FactsOf(const std::string& exeDir) {
    LocationFacts facts;
    facts.exeDir = exeDir;
    // access() asks for the real user, as a person who started the program is; root passes everywhere but
    // on read-only mounts.
    facts.exeDirWritable = access(exeDir.c_str(), W_OK) == 0;
    facts.sharedDataExists = IsFolder(exeDir + "../share/varnholt");
    facts.xdgDataHome = Env("XDG_DATA_HOME");
    facts.xdgStateHome = Env("XDG_STATE_HOME");
    facts.home = HomeFolder();
    return facts;
}

AppLocations ThisProcessLocations() {
    if (const std::string dir = ExecutableDirOverride(); !dir.empty())
        return AppLocations{false, dir, dir + "logd.txt", {}};
    return DecideLocations(FactsOf(ExecutableDir()));
}

void ProvideDeliveredFiles(const AppLocations& where, const std::vector<std::string>& names) {
    if (!where.installed || where.deliveredDir == where.dataDir)
        return;
    std::string failed;
    const auto note = [&failed](const std::string& what) {
        if (failed.empty())
            failed = what;
    };
    try {
        MakeFolders(where.traceFile.substr(0, where.traceFile.find_last_of('/')));
    } catch (const std::exception& e) {
        note(e.what());
    }
    try {
        MakeFolders(where.dataDir.substr(0, where.dataDir.size() - 1));
        for (const std::string& name : names) {
            if (access(where.File(name).c_str(), F_OK) == 0 || errno != ENOENT)
                continue;
            if (!CopyIfMissing(where.deliveredDir + name, where.File(name)))
                note("cannot copy " + where.deliveredDir + name + " to " + where.File(name) + ": " +
                     std::strerror(errno));
        }
    } catch (const std::exception& e) {
        note(e.what());
    }
    if (!failed.empty())
        throw std::runtime_error(failed);
}

} // namespace vh::platform
