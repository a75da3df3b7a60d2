#include "support/SwayFixture.h"
#include "support/ChildSetup.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
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

std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

} // namespace

DesktopUser TheDesktopUser() {
    if (geteuid() != 0)
        return {geteuid(), getegid()};
    // Every Debian system has "nobody"; sway only needs a user that is not root.
    const passwd* pw = getpwnam("nobody");
    if (!pw)
        throw std::runtime_error("no unprivileged user for the desktop");
    return {pw->pw_uid, pw->pw_gid};
}

pid_t SpawnAsDesktopUser(const std::vector<std::string>& argv, const std::vector<std::string>& env, int outFd) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> fullEnv{"PATH=/usr/local/bin:/usr/bin:/bin"};
    fullEnv.insert(fullEnv.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (auto& e : fullEnv)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    const pid_t parent = getpid();
    const bool drop = geteuid() == 0;
    const DesktopUser user = TheDesktopUser();
    const pid_t pid = fork();
    if (pid != 0) {
        if (pid < 0)
            throw std::runtime_error("fork failed");
        return pid;
    }
    BecomeTestChild(parent, outFd);
    if (drop && (setgroups(0, nullptr) != 0 || setgid(user.gid) != 0 || setuid(user.uid) != 0))
        _exit(126);
    // Dropping privileges clears the death signal.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    execvpe(args[0], args.data(), envp.data());
    _exit(127);
}

std::vector<std::string> MergeEnv(std::vector<std::string> defaults, const std::vector<std::string>& extra) {
    for (const auto& e : extra) {
        const std::string name = e.substr(0, e.find('=') + 1);
        bool replaced = false;
        for (auto& d : defaults) {
            if (d.compare(0, name.size(), name) == 0) {
                d = e;
                replaced = true;
            }
        }
        if (!replaced)
            defaults.push_back(e);
    }
    return defaults;
}

XChild SpawnAsDesktopUserWithOutput(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = SpawnAsDesktopUser(argv, env, fds[1]);
    close(fds[1]);
    return XChild(pid, fds[0]);
}

DesktopFolders MakeDesktopFolders(const std::string& prefix) {
    const DesktopUser user = TheDesktopUser();
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("no private folder for the desktop");
    DesktopFolders f{pattern, pattern + "/run", pattern + "/home"};
    fs::create_directories(f.runtimeDir);
    fs::create_directories(f.home);
    chmod(f.dir.c_str(), 0755);
    chmod(f.runtimeDir.c_str(), 0700);
    if (chown(f.runtimeDir.c_str(), user.uid, user.gid) != 0 || chown(f.home.c_str(), user.uid, user.gid) != 0)
        throw std::runtime_error("cannot hand the private folders to the desktop user");
    return f;
}

std::vector<std::string> WaylandClientEnv(const DesktopFolders& folders, const std::string& waylandDisplay,
                                          const std::string& busAddress) {
    return {"HOME=" + folders.home,
            "XDG_RUNTIME_DIR=" + folders.runtimeDir,
            "WAYLAND_DISPLAY=" + waylandDisplay,
            "XDG_CONFIG_HOME=" + folders.home + "/.config",
            "XDG_CACHE_HOME=" + folders.home + "/.cache",
            "DBUS_SESSION_BUS_ADDRESS=" + busAddress,
            "GDK_BACKEND=wayland",
            "GSK_RENDERER=cairo",
            "LIBGL_ALWAYS_SOFTWARE=1",
            "NO_AT_BRIDGE=1",
            "GTK_A11Y=none",
            "GSETTINGS_BACKEND=memory",
            "LC_ALL=C.UTF-8"};
}

bool WaitForXSocket(const std::string& display) {
    const std::string socket = "/tmp/.X11-unix/X" + display.substr(1);
    return WaitUntil([&] { return access(socket.c_str(), F_OK) == 0; }, std::chrono::seconds(20));
}

std::string PrivateBusConfig(const std::string& socketPath, bool services) {
    const std::string config =
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig><type>session</type><listen>unix:path=" +
        socketPath + "</listen><auth>EXTERNAL</auth>" + (services ? "<standard_session_servicedirs/>" : "") +
        "<policy context=\"default\"><allow user=\"*\"/><allow send_destination=\"*\" eavesdrop=\"true\"/>"
        "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
    return config;
}

SessionBusVariable::SessionBusVariable(const std::string& address) {
    if (const char* b = std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
        had_ = true;
        saved_ = b;
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
}

SessionBusVariable::~SessionBusVariable() {
    if (had_)
        setenv("DBUS_SESSION_BUS_ADDRESS", saved_.c_str(), 1);
    else
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

int RunAsDesktopUser(const std::vector<std::string>& argv, const std::vector<std::string>& env, std::string* out,
                     std::chrono::milliseconds timeout) {
    XChild c = SpawnAsDesktopUserWithOutput(argv, env);
    std::string line;
    while (c.ReadLine(line, timeout)) {
        if (out)
            *out += line + "\n";
    }
    int status = 0;
    if (!c.WaitExit(timeout, &status))
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

SwayFixture::SwayFixture(bool withXwayland) : folders_(MakeDesktopFolders("vh-sway")) {
    dir_ = folders_.dir;
    runtimeDir_ = folders_.runtimeDir;
    home_ = folders_.home;

    // On a fresh machine XWayland, run as the desktop user, would make the X socket folder its own; X
    // servers started later by root want it to be root's.
    if (withXwayland && mkdir("/tmp/.X11-unix", 01777) == 0)
        chmod("/tmp/.X11-unix", 01777);

    const std::string config = dir_ + "/config";
    const std::string displayFile = home_ + "/x-display";
    {
        std::ofstream out(config);
        out << (withXwayland ? "xwayland force\n" : "xwayland disable\n");
        // XWayland lets in only its own user; the test's process joins it when it runs as someone else. The
        // display is known once that is done.
        if (withXwayland) {
            const passwd* self = getpwuid(geteuid());
            out << "exec sh -c 'xhost +si:localuser:" << (self ? self->pw_name : "root") << " && echo \"$DISPLAY\" > "
                << displayFile << "'\n";
        }
    }
    chmod(config.c_str(), 0644);

    const pid_t pid = SpawnAsDesktopUser({"sway", "-c", config},
                                         {"HOME=" + home_, "XDG_RUNTIME_DIR=" + runtimeDir_, "WLR_BACKENDS=headless",
                                          "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1", "LC_ALL=C.UTF-8"},
                                         -1);
    sway_ = XChild(pid, -1);

    // Ready when its IPC socket answers; the socket's name carries sway's pid.
    const bool up = WaitUntil(
        [&] {
            if (!sway_.Running())
                return true;
            std::error_code ec;
            for (const auto& e : fs::directory_iterator(runtimeDir_, ec)) {
                const std::string name = e.path().filename().string();
                if (name.rfind("sway-ipc.", 0) == 0)
                    socket_ = e.path().string();
                else if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos)
                    wayland_ = name;
            }
            return !socket_.empty() && !wayland_.empty() && Command("nop") == 0;
        },
        std::chrono::seconds(20));
    if (!up || !sway_.Running())
        throw std::runtime_error("sway did not come up");
    if (withXwayland) {
        if (!WaitUntil([&] { return ReadFirstLine(displayFile).size() > 1; }, std::chrono::seconds(20)))
            throw std::runtime_error("XWayland did not come up");
        xdisplay_ = ReadFirstLine(displayFile);
        if (!WaitForXSocket(xdisplay_))
            throw std::runtime_error("XWayland did not come up");
    }
}

SwayFixture::~SwayFixture() {
    sway_.Stop();
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

XChild SwayFixture::SpawnClient(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    const std::string noBus = "unix:path=" + runtimeDir_ + "/no-bus";
    return SpawnAsDesktopUserWithOutput(argv, MergeEnv(WaylandClientEnv(folders_, wayland_, noBus), env));
}

int SwayFixture::Command(const std::string& command) {
    // swaymsg runs as the session's user as well: the socket is sway's alone.
    return RunAsDesktopUser({"swaymsg", "-q", "-s", socket_, command});
}

bool SwayFixture::WaitForWindow(const std::string& criteria, std::chrono::milliseconds timeout) {
    return WaitUntil([&] { return Command("[" + criteria + "] nop") == 0; }, timeout);
}

} // namespace vh::test
