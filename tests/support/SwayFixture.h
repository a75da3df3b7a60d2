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
    // and the C locale; extra NAME=value settings come last.
    XChild SpawnClient(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
    // A sway command through swaymsg; its exit status (0 when sway ran it), or -1 on timeout.
    int Command(const std::string& command);
    // Waits until a window matching the criteria ("app_id=foot") is in the tree.
    bool WaitForWindow(const std::string& criteria, std::chrono::milliseconds timeout = std::chrono::seconds(20));

private:
    std::string dir_, runtimeDir_, home_, socket_, wayland_, xdisplay_;
    XChild sway_;
};

} // namespace vh::test
