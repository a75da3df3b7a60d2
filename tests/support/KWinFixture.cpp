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

KWinFixture::KWinFixture() {
    if (const char* b = std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
        hadBus_ = true;
        savedBus_ = b;
    }
    const DesktopUser user = TheDesktopUser();
    std::string pattern = (fs::temp_directory_path() / "vh-kwin-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("no private folder for KWin");
    dir_ = pattern;
    runtimeDir_ = dir_ + "/run";
    home_ = dir_ + "/home";
    fs::create_directories(runtimeDir_);
    fs::create_directories(home_);
    fs::create_directories(dir_ + "/bin");
    chmod(dir_.c_str(), 0755);
    chmod(runtimeDir_.c_str(), 0700);
    if (chown(runtimeDir_.c_str(), user.uid, user.gid) != 0 || chown(home_.c_str(), user.uid, user.gid) != 0)
        throw std::runtime_error("cannot hand the private folders to the desktop user");

    // kwin_wayland carries a file capability (CAP_SYS_RESOURCE) that a container may not grant, and then it
    // cannot be started at all; a plain copy has none. KWin's own platform plugin wants the name kept.
    const std::string kwin = dir_ + "/bin/kwin_wayland";
    fs::copy_file("/usr/bin/kwin_wayland", kwin);
    chmod(kwin.c_str(), 0755);

    // A bus that lets in the desktop user (KWin, its clients) and the test's own user.
    const std::string busSocket = runtimeDir_ + "/bus";
    const std::string config = dir_ + "/bus.conf";
    {
        std::ofstream out(config);
        out << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:path="
            << busSocket
            << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/>"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
               "</policy></busconfig>\n";
    }
    chmod(config.c_str(), 0644);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t busPid =
        SpawnAsDesktopUser({"dbus-daemon", "--nofork", "--print-address=1", "--config-file=" + config}, {}, fds[1]);
    close(fds[1]);
    dbus_ = XChild(busPid, fds[0]);
    if (!dbus_.ReadLine(bus_, std::chrono::seconds(10)) || bus_.empty())
        throw std::runtime_error("no session bus");
    setenv("DBUS_SESSION_BUS_ADDRESS", bus_.c_str(), 1);

    const pid_t kwinPid =
        SpawnAsDesktopUser({kwin, "--virtual", "--socket", kSocket, "--width", "1024", "--height", "768",
                            "--no-lockscreen", "--no-global-shortcuts"},
                           {"HOME=" + home_, "XDG_RUNTIME_DIR=" + runtimeDir_, "XDG_CONFIG_HOME=" + home_ + "/.config",
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
    if (hadBus_)
        setenv("DBUS_SESSION_BUS_ADDRESS", savedBus_.c_str(), 1);
    else
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

XChild KWinFixture::SpawnClient(const std::vector<std::string>& argv) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = SpawnAsDesktopUser(
        argv,
        {"HOME=" + home_, "XDG_RUNTIME_DIR=" + runtimeDir_, std::string("WAYLAND_DISPLAY=") + kSocket,
         "XDG_CONFIG_HOME=" + home_ + "/.config", "XDG_CACHE_HOME=" + home_ + "/.cache",
         "DBUS_SESSION_BUS_ADDRESS=" + bus_, "GDK_BACKEND=wayland", "GSK_RENDERER=cairo", "LIBGL_ALWAYS_SOFTWARE=1",
         "NO_AT_BRIDGE=1", "GTK_A11Y=none", "GSETTINGS_BACKEND=memory", "LC_ALL=C.UTF-8"},
        fds[1]);
    close(fds[1]);
    return XChild(pid, fds[0]);
}

int KWinFixture::DbusSend(const std::vector<std::string>& args, std::string* out) {
    std::vector<std::string> argv{"dbus-send", "--bus=" + bus_, "--print-reply", "--reply-timeout=5000"};
    argv.insert(argv.end(), args.begin(), args.end());
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    XChild c(SpawnAsDesktopUser(argv, {}, fds[1]), fds[0]);
    close(fds[1]);
    std::string line;
    while (c.ReadLine(line, std::chrono::seconds(10))) {
        if (out)
            *out += line + "\n";
    }
    int status = 0;
    if (!c.WaitExit(std::chrono::seconds(10), &status))
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
