#include "support/GnomeFixture.h"

#include <dbus/dbus.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vh::test {

namespace fs = std::filesystem;

namespace {

constexpr const char* kOurUuid = "varnholt@varnholt.org";
constexpr const char* kHelperUuid = "varnholt-test@varnholt.org";

// The first process named comm in the process group, with its arguments; 0 when there is none.
pid_t FindInGroup(pid_t group, const std::string& comm, std::vector<std::string>& args) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc", ec)) {
        const std::string pid = e.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(e.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        if (close == std::string::npos || line.find("(" + comm + ")") == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        std::string state, ppid, pgid;
        rest >> state >> ppid >> pgid;
        if (pgid != std::to_string(group))
            continue;
        std::ifstream cmdline(e.path() / "cmdline");
        args.clear();
        for (std::string a; std::getline(cmdline, a, '\0');)
            args.push_back(a);
        return static_cast<pid_t>(std::stol(pid));
    }
    return 0;
}

} // namespace

GnomeFixture::GnomeFixture(bool withExtension)
    : folders_(MakeDesktopFolders("vh-gnome")), dir_(folders_.dir), runtimeDir_(folders_.runtimeDir),
      home_(folders_.home), bus_("unix:path=" + runtimeDir_ + "/bus"), wayland_("wayland-vh"), busVariable_(bus_) {
    // Xwayland, run as the desktop user, needs the X socket folder; made here it stays root's, as X servers
    // started later by root want it.
    if (mkdir("/tmp/.X11-unix", 01777) == 0)
        chmod("/tmp/.X11-unix", 01777);

    CopyExtension(VH_GNOME_TEST_EXTENSION_DIR, kHelperUuid);
    std::string enabled = std::string("['") + kHelperUuid + "'";
    if (withExtension) {
        InstallExtension();
        enabled += std::string(", '") + kOurUuid + "'";
    }
    enabled += "]";

    // The session bus starts the machine's services for the Shell (dconf for its settings, the accessibility
    // bus). The Shell dies without a system bus; an empty one of our own will do.
    const std::string systemBus = runtimeDir_ + "/system-bus";
    std::ofstream(dir_ + "/session.conf") << PrivateBusConfig(runtimeDir_ + "/bus", true);
    std::ofstream(dir_ + "/system.conf") << PrivateBusConfig(systemBus);
    // The extensions are enabled before the Shell starts: it reads its settings once, at start.
    std::ofstream(dir_ + "/session.sh") << "dbus-daemon --nofork --config-file=\"$1/system.conf\" &\n"
                                           "gsettings set org.gnome.shell disable-user-extensions false\n"
                                           "gsettings set org.gnome.shell enabled-extensions \"$2\"\n"
                                           "while [ ! -S \"$XDG_RUNTIME_DIR/system-bus\" ]; do sleep 0.05; done\n"
                                           "exec gnome-shell --headless --wayland --wayland-display="
                                        << wayland_ << " --virtual-monitor 1280x1024\n";
    for (const char* f : {"/session.conf", "/system.conf", "/session.sh"})
        chmod((dir_ + f).c_str(), 0644);

    session_ = XChild(
        SpawnAsDesktopUser({"dbus-run-session", "--config-file=" + dir_ + "/session.conf", "--", "sh",
                            dir_ + "/session.sh", dir_, enabled},
                           {"HOME=" + home_, "XDG_RUNTIME_DIR=" + runtimeDir_, "XDG_CONFIG_HOME=" + home_ + "/.config",
                            "XDG_DATA_HOME=" + home_ + "/.local/share", "XDG_CACHE_HOME=" + home_ + "/.cache",
                            "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + systemBus, "XDG_SESSION_TYPE=wayland",
                            "XDG_CURRENT_DESKTOP=GNOME", "NO_AT_BRIDGE=1", "LC_ALL=C.UTF-8"}),
        -1);
    setenv("DBUS_SESSION_BUS_ADDRESS", bus_.c_str(), 1);
    // Up when the test extension answers (the Shell has loaded its extensions) and Xwayland is there; its
    // arguments name its display and the cookie file its clients need.
    const bool up = WaitUntil(
        [&] {
            if (!session_.Running())
                return true;
            std::vector<std::string> args;
            if (!CallShell("/org/varnholt/ShellTest", "org.varnholt.ShellTest.FocusTitle") ||
                !FindInGroup(session_.Pid(), "Xwayland", args))
                return false;
            for (std::size_t i = 1; i < args.size(); ++i) {
                if (args[i].size() > 1 && args[i][0] == ':')
                    xdisplay_ = args[i];
                else if (args[i] == "-auth" && i + 1 < args.size())
                    xauthority_ = args[i + 1];
            }
            shellPid_ = FindInGroup(session_.Pid(), "gnome-shell", args);
            return !xdisplay_.empty() && !xauthority_.empty();
        },
        std::chrono::seconds(40));
    if (!up || !session_.Running())
        throw std::runtime_error("GNOME Shell did not come up");
    if (!WaitForXSocket(xdisplay_))
        throw std::runtime_error("Xwayland did not come up");
}

GnomeFixture::~GnomeFixture() {
    // The Shell's exit status says nothing: it is ended, with everything in its group.
    session_.Stop();
    // Ended together with its Xwayland, the Shell may leave the X display locks it took behind.
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/tmp", ec)) {
        const std::string name = e.path().filename().string();
        if (shellPid_ <= 0 || name.rfind(".X", 0) != 0 || name.size() < 8 || name.substr(name.size() - 5) != "-lock")
            continue;
        std::ifstream lock(e.path());
        pid_t owner = 0;
        if (lock >> owner && owner == shellPid_) {
            std::error_code ignored;
            fs::remove("/tmp/.X11-unix/X" + name.substr(2, name.size() - 7), ignored);
            fs::remove(e.path(), ignored);
        }
    }
    fs::remove_all(dir_, ec);
}

std::string GnomeFixture::ExtensionsDir() const {
    return home_ + "/.local/share/gnome-shell/extensions";
}

void GnomeFixture::InstallExtension() const {
    CopyExtension(VH_GNOME_EXTENSION_DIR, kOurUuid);
}

void GnomeFixture::CopyExtension(const std::string& from, const std::string& uuid) const {
    const fs::path to = fs::path(ExtensionsDir()) / uuid;
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    // Everything in the home belongs to the desktop user, as in a real one.
    const DesktopUser user = TheDesktopUser();
    for (const auto& e : fs::recursive_directory_iterator(home_)) {
        if (lchown(e.path().c_str(), user.uid, user.gid) != 0)
            throw std::runtime_error("cannot hand the home to the desktop user");
    }
}

XChild GnomeFixture::SpawnClient(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    const std::string noBus = "unix:path=" + runtimeDir_ + "/no-bus";
    return SpawnAsDesktopUserWithOutput(argv, MergeEnv(WaylandClientEnv(folders_, wayland_, noBus), env));
}

std::optional<std::string> GnomeFixture::CallShell(const std::string& path, const std::string& method,
                                                   const std::vector<std::string>& args) {
    std::vector<std::string> argv{"gdbus",           "call",          "--address", bus_,       "--dest",
                                  "org.gnome.Shell", "--object-path", path,        "--method", method};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out;
    if (RunAsDesktopUser(argv, {"LC_ALL=C.UTF-8"}, &out) != 0)
        return std::nullopt;
    return out;
}

bool GnomeFixture::RemoteInput(bool key) {
    DBusError err;
    dbus_error_init(&err);
    DBusConnection* c = dbus_connection_open_private(bus_.c_str(), &err);
    if (c && !dbus_bus_register(c, &err)) {
        dbus_connection_close(c);
        dbus_connection_unref(c);
        c = nullptr;
    }
    dbus_error_free(&err);
    if (!c)
        return false;
    constexpr const char* kService = "org.gnome.Mutter.RemoteDesktop";
    constexpr const char* kSession = "org.gnome.Mutter.RemoteDesktop.Session";
    // One method call and its reply; false on an error reply. The session lives as long as this connection.
    const auto call = [&](const std::string& path, const char* iface, const char* method, int first, auto... args) {
        DBusMessage* m = dbus_message_new_method_call(kService, path.c_str(), iface, method);
        if (first != DBUS_TYPE_INVALID)
            dbus_message_append_args(m, first, args..., DBUS_TYPE_INVALID);
        DBusMessage* r = dbus_connection_send_with_reply_and_block(c, m, 5000, nullptr);
        dbus_message_unref(m);
        return r;
    };
    bool sent = false;
    DBusMessage* created = call("/org/gnome/Mutter/RemoteDesktop", kService, "CreateSession", DBUS_TYPE_INVALID);
    const char* path = nullptr;
    if (created && dbus_message_get_args(created, nullptr, DBUS_TYPE_OBJECT_PATH, &path, DBUS_TYPE_INVALID)) {
        const std::string session = path;
        const auto ok = [](DBusMessage* r) {
            const bool done = r != nullptr;
            if (r)
                dbus_message_unref(r);
            return done;
        };
        if (ok(call(session, kSession, "Start", DBUS_TYPE_INVALID))) {
            if (key) {
                const dbus_uint32_t shift = 0xffe1; // XK_Shift_L
                const dbus_bool_t down = TRUE, up = FALSE;
                sent = ok(call(session, kSession, "NotifyKeyboardKeysym", DBUS_TYPE_UINT32, &shift, DBUS_TYPE_BOOLEAN,
                               &down)) &&
                       ok(call(session, kSession, "NotifyKeyboardKeysym", DBUS_TYPE_UINT32, &shift, DBUS_TYPE_BOOLEAN,
                               &up));
            } else {
                const double dx = 7, dy = 5;
                sent = ok(call(session, kSession, "NotifyPointerMotionRelative", DBUS_TYPE_DOUBLE, &dx,
                               DBUS_TYPE_DOUBLE, &dy));
            }
            ok(call(session, kSession, "Stop", DBUS_TYPE_INVALID));
        }
    }
    if (created)
        dbus_message_unref(created);
    dbus_connection_close(c);
    dbus_connection_unref(c);
    return sent;
}

bool GnomeFixture::Activate(const std::string& caption, std::chrono::milliseconds timeout) {
    return WaitUntil(
        [&] {
            CallShell("/org/gnome/Shell", "org.freedesktop.DBus.Properties.Set",
                      {"org.gnome.Shell", "OverviewActive", "<false>"});
            CallShell("/org/varnholt/ShellTest", "org.varnholt.ShellTest.Activate", {caption});
            return WaitUntil([&] { return FocusCaption() == caption; }, std::chrono::milliseconds(500));
        },
        timeout);
}

std::string GnomeFixture::FocusCaption() {
    // gdbus prints "('caption',)"; the captions tests use need no unquoting beyond that.
    const auto reply = CallShell("/org/varnholt/ShellTest", "org.varnholt.ShellTest.FocusTitle");
    if (!reply || reply->size() < 6)
        return {};
    const auto open = reply->find('\'');
    const auto close = reply->rfind('\'');
    return open == std::string::npos || close <= open ? std::string() : reply->substr(open + 1, close - open - 1);
}

bool GnomeFixture::Minimized(const std::string& caption) {
    const auto reply = CallShell("/org/varnholt/ShellTest", "org.varnholt.ShellTest.Minimized", {caption});
    return reply && reply->find("true") != std::string::npos;
}

} // namespace vh::test
