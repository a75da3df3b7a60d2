#include "platform/AppLocations.h"

namespace vh::platform {

namespace {

// A base-directory variable counts only when absolute; the rules say a relative one is to be ignored.
std::string BaseDir(const std::string& variable, const std::string& home, const char* fallbackBelowHome) {
    std::string dir = !variable.empty() && variable[0] == '/' ? variable : home + fallbackBelowHome;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::string ParentOf(const std::string& dirWithSeparator) {
    const std::string dir = dirWithSeparator.substr(0, dirWithSeparator.size() - 1);
    const auto cut = dir.find_last_of('/');
    return cut == std::string::npos ? std::string() : dir.substr(0, cut + 1);
}

} // namespace

AppLocations DecideLocations(const LocationFacts& facts) {
    AppLocations where;
    where.dataDir = facts.exeDir;
    where.traceFile = facts.exeDir + "logd.txt";
    where.installed = !facts.exeDirWritable || facts.exeDir.rfind("/usr/", 0) == 0;
    if (!where.installed)
        return where;
    const bool haveHome = !facts.home.empty() && facts.home[0] == '/';
    // Without a home the files stay beside the executable, where the program reports what it cannot write.
    if (haveHome || (!facts.xdgDataHome.empty() && facts.xdgDataHome[0] == '/'))
        where.dataDir = BaseDir(facts.xdgDataHome, facts.home, "/.local/share") + "/varnholt/";
    if (haveHome || (!facts.xdgStateHome.empty() && facts.xdgStateHome[0] == '/'))
        where.traceFile = BaseDir(facts.xdgStateHome, facts.home, "/.local/state") + "/varnholt/logd.txt";
    where.deliveredDir = facts.sharedDataExists ? ParentOf(facts.exeDir) + "share/varnholt/" : facts.exeDir;
    return where;
}

} // namespace vh::platform
