// The real program started without a tray and with AutoMinimize on, under a headless sway (no swaybar) and a
// headless GNOME Shell with our extension as the build assembles it, side by side since each waits a minute
// for the first sample. Each program runs as the desktop user from a folder of its own with the database
// built from the schema and a Config.ini that starts sampling at once and sends a close request to every
// program sampled (none is a work program). The main window goes out of the way (sway's scratchpad, GNOME's
// minimised state), the user's window keeps the front, and it is the first sample: the one that closes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "support/GnomeFixture.h"
#include "support/SwayFixture.h"

using namespace std::chrono_literals;
using vh::test::WaitUntil;
using vh::test::XChild;

namespace {

class ProgramFolder {
public:
    ProgramFolder() {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / "vh-start-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("no folder for the program");
        dir_ = pattern;
        fs::copy_file(VH_PROGRAM, dir_ + "/varnholt");
        fs::copy_file(VH_TEMPLATE_DB, dir_ + "/ABC.GDB");
        std::ofstream(dir_ + "/Config.ini")
            << "[Security]\r\nPasswd=3b8a85011e78b14c132c6044318a20e4\r\nStartPasswd=0\r\n"
               "[System]\r\nAutoMinimize=1\r\nAutoTask=1\r\nAutoRun=0\r\nunwork=1\r\n"
               "[OtherSettings]\r\nAutoUpdate=0\r\n"
               "[TimeConfig]\r\nTaskexecutype=0\r\nTimeFrom=0:00:00\r\nTimeEnd=23:59:59\r\nMonitorInterval=1\r\n";
        // The program writes its database, settings and trace as the desktop user.
        const vh::test::DesktopUser user = vh::test::TheDesktopUser();
        chmod(dir_.c_str(), 0755);
        for (const char* f : {"", "/varnholt", "/ABC.GDB", "/Config.ini"}) {
            if (chown((dir_ + f).c_str(), user.uid, user.gid) != 0)
                throw std::runtime_error("cannot hand the program's folder to the desktop user");
        }
    }
    ~ProgramFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    std::string Program() const { return dir_ + "/varnholt"; }

private:
    std::string dir_;
};

TEST(WaylandStart, WithoutATrayTheUsersWindowIsTheFirstSample) {
    vh::test::SwayFixture sway(true);
    XChild swayUser = sway.SpawnClient({"foot", "--app-id", "vhfoot", "--title", "user work", "sleep", "600"});
    ASSERT_TRUE(sway.WaitForWindow("app_id=vhfoot"));
    ASSERT_EQ(sway.Command("[app_id=vhfoot] focus"), 0);
    vh::test::GnomeFixture gnome(true);
    XChild gnomeUser = gnome.SpawnClient({"foot", "--app-id", "vhfoot", "--title", "user work", "sleep", "600"});
    ASSERT_TRUE(gnome.Activate("user work"));

    ProgramFolder swayFolder, gnomeFolder;
    XChild swayProgram =
        sway.SpawnClient({swayFolder.Program()}, {"DISPLAY=" + sway.XDisplay(), "SWAYSOCK=" + sway.SocketPath()});
    XChild gnomeProgram =
        gnome.SpawnClient({gnomeFolder.Program()}, {"DISPLAY=" + gnome.XDisplay(), "XAUTHORITY=" + gnome.XAuthority(),
                                                    "DBUS_SESSION_BUS_ADDRESS=" + gnome.BusAddress(),
                                                    "XDG_CURRENT_DESKTOP=GNOME", "XDG_SESSION_TYPE=wayland"});

    // sway: shown, then in the scratchpad, and the user's window focused again.
    ASSERT_TRUE(sway.WaitForWindow("title=\"Varnholt--\"", 60s)) << "the program did not show its window";
    EXPECT_TRUE(WaitUntil([&] { return sway.Command("[con_id=__focused__ app_id=vhfoot] nop") == 0; }, 20s));
    EXPECT_NE(sway.Command("[con_id=__focused__ title=\"Varnholt--\"] nop"), 0);
    // GNOME: minimised, and the user's window focused again.
    EXPECT_TRUE(WaitUntil([&] { return gnome.Minimized("*Varnholt--岚舟记*"); }, 60s));
    EXPECT_EQ(gnome.FocusCaption(), "user work");

    // A minute after the start the first sample of each is the user's window.
    EXPECT_TRUE(swayUser.WaitExit(100s)) << "sway: the first sample was not the user's window";
    EXPECT_TRUE(gnomeUser.WaitExit(30s)) << "GNOME: the first sample was not the user's window";
    EXPECT_TRUE(swayProgram.Running());
    EXPECT_TRUE(gnomeProgram.Running());
}

} // namespace
