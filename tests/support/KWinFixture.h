#pragma once
// A private headless KWin (kwin_wayland --virtual) on a private session bus, run as the desktop user, with
// the Wayland programs a test starts in it. Everything it started is killed when it goes.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/SwayFixture.h"

namespace vh::test {

class KWinFixture {
public:
    // Throws std::runtime_error when KWin does not come up.
    KWinFixture();
    ~KWinFixture();
    KWinFixture(const KWinFixture&) = delete;
    KWinFixture& operator=(const KWinFixture&) = delete;

    // The private session bus; also put in DBUS_SESSION_BUS_ADDRESS of this process while the fixture lives.
    const std::string& BusAddress() const { return bus_; }

    // Starts a Wayland client of this KWin as the desktop user (see SwayFixture::SpawnClient).
    XChild SpawnClient(const std::vector<std::string>& argv);
    // Runs a KWin script of the test's own (JavaScript text) to its end; false when KWin refused it.
    bool RunScript(const std::string& script);

private:
    int DbusSend(const std::vector<std::string>& args, std::string* out = nullptr);

    DesktopFolders folders_;
    std::string dir_, runtimeDir_, home_, bus_;
    std::optional<SessionBusVariable> busVariable_;
    XChild dbus_, kwin_;
    int scripts_ = 0;
};

} // namespace vh::test
