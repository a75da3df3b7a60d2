#pragma once
// A private headless GNOME Shell (Wayland, with its Xwayland) for tests, run as the desktop user inside
// dbus-run-session with a bus of its own, and the programs a test starts in it. A small test extension of
// ours (tests/support/gnome) brings windows to the front, which GNOME lets no ordinary client do. Everything
// the session started, the buses and what they activated included, is one process group, killed at the end.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/SwayFixture.h"

namespace vh::test {

class GnomeFixture {
public:
    // withExtension: the program's extension, as the build assembles it, is installed and enabled before the
    // Shell starts. Throws std::runtime_error when the Shell does not come up.
    explicit GnomeFixture(bool withExtension = true);
    ~GnomeFixture();
    GnomeFixture(const GnomeFixture&) = delete;
    GnomeFixture& operator=(const GnomeFixture&) = delete;

    // The session bus; also in DBUS_SESSION_BUS_ADDRESS of this process while the fixture lives.
    const std::string& BusAddress() const { return bus_; }
    const std::string& WaylandDisplay() const { return wayland_; }
    const std::string& RuntimeDir() const { return runtimeDir_; }
    // Xwayland's display (":1") and the cookie file X11 clients need.
    const std::string& XDisplay() const { return xdisplay_; }
    const std::string& XAuthority() const { return xauthority_; }
    // Where the desktop user's extensions live.
    std::string ExtensionsDir() const;
    // Copies the program's extension there, as scripts/run does (GNOME loads it at the next start).
    void InstallExtension() const;

    // Starts a Wayland client as the desktop user (see SwayFixture::SpawnClient).
    XChild SpawnClient(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
    // Brings the window with this caption to the front, leaving the overview; false when it did not get the
    // focus in time (a window that opened during the Shell's start-up animation needs a second try).
    bool Activate(const std::string& caption, std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // The caption of the window that has the focus ("" for none).
    std::string FocusCaption();
    bool Minimized(const std::string& caption);
    // A method call on the Shell's bus name: object path, interface.method, arguments as gdbus reads them.
    // The printed reply, or nothing when the call failed.
    std::optional<std::string> CallShell(const std::string& path, const std::string& method,
                                         const std::vector<std::string>& args = {});
    // Input as a remote desktop client makes it (org.gnome.Mutter.RemoteDesktop): a pointer motion, or a key
    // pressed and released. False when Mutter refused it.
    bool RemoteInput(bool key);

private:
    void CopyExtension(const std::string& from, const std::string& uuid) const;

    DesktopFolders folders_;
    std::string dir_, runtimeDir_, home_, bus_, wayland_, xdisplay_, xauthority_;
    SessionBusVariable busVariable_;
    pid_t shellPid_ = 0;
    XChild session_;
};

} // namespace vh::test
