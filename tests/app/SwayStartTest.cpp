// The real program started under a headless sway without a tray (no swaybar), with AutoMinimize on: its main
// window goes into the scratchpad, the user's window keeps the front, and that window is the first sample.
#include <gtest/gtest.h>

#include "app/WaylandStart.h"

using namespace std::chrono_literals;
using vh::test::WaitUntil;

TEST(SwayStart, TheUsersWindowIsTheFirstSample) {
    vh::test::SwayFixture sway(true);
    vh::test::XChild foot = sway.SpawnClient({"foot", "--app-id", "vhfoot", "--title", "user work", "sleep", "600"});
    ASSERT_TRUE(sway.WaitForWindow("app_id=vhfoot"));
    ASSERT_EQ(sway.Command("[app_id=vhfoot] focus"), 0);

    vh::test::ProgramFolder folder;
    vh::test::XChild program =
        sway.SpawnClient({folder.Program()}, {"DISPLAY=" + sway.XDisplay(), "SWAYSOCK=" + sway.SocketPath()});
    // Shown, then put away: in sway's tree, and the user's window focused.
    ASSERT_TRUE(sway.WaitForWindow("title=\"Varnholt--\"", 60s)) << "the program did not show its window";
    ASSERT_TRUE(WaitUntil([&] { return sway.Command("[con_id=__focused__ app_id=vhfoot] nop") == 0; }, 20s));
    EXPECT_NE(sway.Command("[con_id=__focused__ title=\"Varnholt--\"] nop"), 0);

    vh::test::ProgramFolder::ExpectFirstSampleCloses(foot, program);
}
