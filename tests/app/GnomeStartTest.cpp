// The real program started in a headless GNOME Shell (no tray) with our extension as the build assembles it
// and AutoMinimize on: its main window is minimised, the user's window keeps the front, and that window is
// the first sample, to which the program reacts as on X11.
#include <gtest/gtest.h>

#include "app/WaylandStart.h"
#include "support/GnomeFixture.h"

using namespace std::chrono_literals;
using vh::test::WaitUntil;

TEST(GnomeStart, TheUsersWindowIsTheFirstSample) {
    vh::test::GnomeFixture gnome(true);
    vh::test::XChild foot = gnome.SpawnClient({"foot", "--app-id", "vhfoot", "--title", "user work", "sleep", "600"});
    ASSERT_TRUE(gnome.Activate("user work"));

    vh::test::ProgramFolder folder;
    vh::test::XChild program =
        gnome.SpawnClient({folder.Program()}, {"DISPLAY=" + gnome.XDisplay(), "XAUTHORITY=" + gnome.XAuthority(),
                                               "DBUS_SESSION_BUS_ADDRESS=" + gnome.BusAddress(),
                                               "XDG_CURRENT_DESKTOP=GNOME", "XDG_SESSION_TYPE=wayland"});
    ASSERT_TRUE(WaitUntil([&] { return gnome.Minimized("*Varnholt--岚舟记*"); }, 60s))
        << "the program did not put its window away";
    EXPECT_EQ(gnome.FocusCaption(), "user work");

    vh::test::ProgramFolder::ExpectFirstSampleCloses(foot, program);
}
