#include "support/KWinFixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vh::test {

namespace fs = std::filesystem;

namespace {
constexpr const char* kSocket = "vh-kwin";
}

KWinFixture::KWinFixture(bool withLockScreen) : folders_(MakeDesktopFolders("vh-kwin")) {
    dir_ = folders_.dir;
    runtimeDir_ = folders_.runtimeDir;
    home_ = folders_.home;
    fs::create_directories(dir_ + "/bin");

    // kwin_wayland carries a file capability (CAP_SYS_RESOURCE) that a container may not grant, and then it
    // cannot be started at all; a plain copy has none. KWin's own platform plugin wants the name kept.
    const std::string kwin = dir_ + "/bin/kwin_wayland";
    fs::copy_file("/usr/bin/kwin_wayland", kwin);
    chmod(kwin.c_str(), 0755);

    // A bus that lets in the desktop user (KWin, its clients) and the test's own user.
    const std::string busSocket = runtimeDir_ + "/bus";
    const std::string config = dir_ + "/bus.conf";
    std::ofstream(config) << PrivateBusConfig(busSocket);
    chmod(config.c_str(), 0644);
    dbus_ =
        SpawnAsDesktopUserWithOutput({"dbus-daemon", "--nofork", "--print-address=1", "--config-file=" + config}, {});
    if (!dbus_.ReadLine(bus_, std::chrono::seconds(10)) || bus_.empty())
        throw std::runtime_error("no session bus");
    busVariable_.emplace(bus_);

    std::vector<std::string> argv{
        kwin, "--virtual", "--socket", kSocket, "--width", "1024", "--height", "768", "--no-global-shortcuts"};
    if (!withLockScreen)
        argv.push_back("--no-lockscreen");
    const pid_t kwinPid = SpawnAsDesktopUser(
        argv, {"HOME=" + home_, "XDG_RUNTIME_DIR=" + runtimeDir_, "XDG_CONFIG_HOME=" + home_ + "/.config",
               "DBUS_SESSION_BUS_ADDRESS=" + bus_, "LIBGL_ALWAYS_SOFTWARE=1", "LC_ALL=C.UTF-8"});
    kwin_ = XChild(kwinPid, -1);
    // Ready when its scripting answers on the bus and its socket is there.
    const bool up = WaitUntil(
        [&] {
            return !kwin_.Running() || (fs::exists(runtimeDir_ + "/" + kSocket) &&
                                        DbusSend({"--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus.GetNameOwner", "string:org.kde.KWin"}) == 0);
        },
        std::chrono::seconds(30));
    if (!up || !kwin_.Running())
        throw std::runtime_error("KWin did not come up");
}

KWinFixture::~KWinFixture() {
    kwin_.Stop();
    dbus_.Stop();
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

std::string KWinFixture::WaylandDisplayPath() const {
    return runtimeDir_ + "/" + kSocket;
}

XChild KWinFixture::SpawnClient(const std::vector<std::string>& argv) {
    return SpawnAsDesktopUserWithOutput(argv, WaylandClientEnv(folders_, kSocket, bus_));
}

int KWinFixture::DbusSend(const std::vector<std::string>& args, std::string* out) {
    std::vector<std::string> argv{"dbus-send", "--bus=" + bus_, "--print-reply", "--reply-timeout=5000"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunAsDesktopUser(argv, {}, out);
}

bool KWinFixture::RunScript(const std::string& script) {
    const std::string name = "vh-test-" + std::to_string(++scripts_);
    const std::string file = dir_ + "/" + name + ".js";
    std::ofstream(file) << script;
    chmod(file.c_str(), 0644);
    std::string reply;
    if (DbusSend({"--dest=org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting.loadScript", "string:" + file,
                  "string:" + name},
                 &reply) != 0)
        return false;
    const auto at = reply.find("int32 ");
    if (at == std::string::npos)
        return false;
    const std::string id = reply.substr(at + 6, reply.find('\n', at) - at - 6);
    const bool ran = DbusSend({"--dest=org.kde.KWin", "/Scripting/Script" + id, "org.kde.kwin.Script.run"}) == 0 ||
                     DbusSend({"--dest=org.kde.KWin", "/" + id, "org.kde.kwin.Script.run"}) == 0;
    DbusSend({"--dest=org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting.unloadScript", "string:" + name});
    return ran;
}

} // namespace vh::test
