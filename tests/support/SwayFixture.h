#pragma once
// A private headless sway for tests, with the Wayland programs a test starts in it. sway refuses to run as
// root, so under root the compositor and its clients run as the unprivileged user "nobody"; the test talks
// to sway's IPC socket as itself. Everything it started is killed when it goes.
#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

#include "support/XvfbFixture.h"

namespace vh::test {

// The unprivileged user a test's desktop runs as: "nobody" under root, else the test's own user.
struct DesktopUser {
    uid_t uid;
    gid_t gid;
};
DesktopUser TheDesktopUser();
// fork + exec as that user with exactly the given environment (PATH added), in a process group of its
// own that dies with the test; standard output to outFd (or nowhere).
pid_t SpawnAsDesktopUser(const std::vector<std::string>& argv, const std::vector<std::string>& env, int outFd = -1);
// The same with standard output read through a pipe.
XChild SpawnAsDesktopUserWithOutput(const std::vector<std::string>& argv, const std::vector<std::string>& env);
// Runs a program that way to its end (swaymsg, gdbus and the like); its exit status, or -1 when it did not end
// in time. out, when given, receives what it printed.
int RunAsDesktopUser(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                     std::string* out = nullptr, std::chrono::milliseconds timeout = std::chrono::seconds(10));
// defaults with the NAME=value settings of extra in place of those of the same name, and the rest of extra
// after them.
std::vector<std::string> MergeEnv(std::vector<std::string> defaults, const std::vector<std::string>& extra);

// The folders of a private desktop: dir, passable for everyone and removed by the fixture, holding the
// desktop user's runtime folder (its alone, as Wayland asks) and home. Throws std::runtime_error.
struct DesktopFolders {
    std::string dir, runtimeDir, home;
};
DesktopFolders MakeDesktopFolders(const std::string& prefix);
// A Wayland client of a private desktop, the same on every machine: a private home, the given session bus,
// software rendering, no accessibility bus, settings in memory, the C locale.
std::vector<std::string> WaylandClientEnv(const DesktopFolders& folders, const std::string& waylandDisplay,
                                          const std::string& busAddress);
// Waits until the X server of display (":3") has its socket, as XWayland makes it once it takes clients.
bool WaitForXSocket(const std::string& display);
// A private bus that lets in the desktop user and the test's own user; with services, it starts the
// machine's session services on demand.
std::string PrivateBusConfig(const std::string& socketPath, bool services = false);

// DBUS_SESSION_BUS_ADDRESS of this process set to a private bus for as long as it lives.
class SessionBusVariable {
public:
    explicit SessionBusVariable(const std::string& address);
    ~SessionBusVariable();
    SessionBusVariable(const SessionBusVariable&) = delete;
    SessionBusVariable& operator=(const SessionBusVariable&) = delete;

private:
    std::string saved_;
    bool had_ = false;
};

class SwayFixture {
public:
    // withXwayland: also start XWayland at once, for X11 clients (XDisplay()). Throws std::runtime_error when
    // sway does not come up.
    explicit SwayFixture(bool withXwayland = false);
    ~SwayFixture();
    SwayFixture(const SwayFixture&) = delete;
    SwayFixture& operator=(const SwayFixture&) = delete;

    const std::string& SocketPath() const { return socket_; }
    // The socket name clients are given in WAYLAND_DISPLAY ("wayland-1"), inside RuntimeDir().
    const std::string& WaylandDisplay() const { return wayland_; }
    const std::string& RuntimeDir() const { return runtimeDir_; }
    // XWayland's display (":3"); empty without it.
    const std::string& XDisplay() const { return xdisplay_; }

    // Starts a Wayland client as the session's user with a private home, software rendering, no session bus
    // and the C locale; extra NAME=value settings replace those or come last.
    XChild SpawnClient(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
    // A sway command through swaymsg; its exit status (0 when sway ran it), or -1 on timeout.
    int Command(const std::string& command);
    // Waits until a window matching the criteria ("app_id=foot") is in the tree.
    bool WaitForWindow(const std::string& criteria, std::chrono::milliseconds timeout = std::chrono::seconds(20));

private:
    DesktopFolders folders_;
    std::string dir_, runtimeDir_, home_, socket_, wayland_, xdisplay_;
    XChild sway_;
};

} // namespace vh::test
