#pragma once
// A private headless KWin (kwin_wayland --virtual) on a private session bus, run as the desktop user, with
// the Wayland programs a test starts in it, and optionally its screen locker. Everything it started is killed
// when it goes.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/SwayFixture.h"

namespace vh::test {

class KWinFixture {
public:
    // withLockScreen: KWin's screen locker runs and answers as org.freedesktop.ScreenSaver (its greeter cannot
    // start here, so a locked screen stays locked). Throws std::runtime_error when KWin does not come up.
    explicit KWinFixture(bool withLockScreen = false);
    ~KWinFixture();
    KWinFixture(const KWinFixture&) = delete;
    KWinFixture& operator=(const KWinFixture&) = delete;

    // The private session bus; also put in DBUS_SESSION_BUS_ADDRESS of this process while the fixture lives.
    const std::string& BusAddress() const { return bus_; }
    // The Wayland display by its full path.
    std::string WaylandDisplayPath() const;

    // Starts a Wayland client of this KWin as the desktop user (see SwayFixture::SpawnClient).
    XChild SpawnClient(const std::vector<std::string>& argv);
    // Runs a KWin script of the test's own (JavaScript text) to its end; false when KWin refused it.
    bool RunScript(const std::string& script);
    // dbus-send on the private bus, waiting for the reply: its exit status; out receives the reply.
    int DbusSend(const std::vector<std::string>& args, std::string* out = nullptr);

private:
    DesktopFolders folders_;
    std::string dir_, runtimeDir_, home_, bus_;
    std::optional<SessionBusVariable> busVariable_;
    XChild dbus_, kwin_;
    int scripts_ = 0;
};

} // namespace vh::test
