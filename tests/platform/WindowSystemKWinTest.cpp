// Sampling under a real headless KWin (kwin_wayland --virtual) with GTK 3 and GTK 4 programs as Wayland clients: the
// backend chosen from a Plasma session's environment, its script loaded over D-Bus reporting the active window, the
// close request ending the client.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "monitor/Sampler.h"
#include "platform/Text.h"
#include "platform/WaylandSampling.h"
#include "support/KWinFixture.h"

using namespace std::chrono_literals;
using vh::test::KWinFixture;
using vh::test::Sample;
using vh::test::Sampled;
using vh::test::WaitUntil;
using vh::test::XChild;

namespace {

TEST(KWinSampling, TheActiveWindowIsTheSampleAndClosesOnRequest) {
    KWinFixture kwin;
    setenv("WAYLAND_DISPLAY", "vh-kwin", 1);
    setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
    unsetenv("SWAYSOCK");
    vh::platform::SetWindowSystem(vh::platform::CreateWindowSystem());
    auto& ws = vh::platform::TheWindowSystem();
    EXPECT_TRUE(ws.Sight().othersVisible);

    // foot cannot run here: KWin's virtual output has no physical size, and foot divides by it.
    XChild first = kwin.SpawnClient({"gtk3-widget-factory"});
    ASSERT_TRUE(WaitUntil([&] { return Sample().exeName == "gtk3-widget-factory"; }, 20s));
    const Sampled firstSample = Sample();
    const std::string firstCaption = firstSample.caption;
    EXPECT_EQ(firstCaption, "gtk3-widget-factory");
    EXPECT_EQ(firstSample.sample.ProcessId, static_cast<std::uint32_t>(first.Pid()));

    XChild second = kwin.SpawnClient({"gtk4-widget-factory"});
    ASSERT_TRUE(WaitUntil([&] { return Sample().exeName == "gtk4-widget-factory"; }, 20s));
    const Sampled secondSample = Sample();
    EXPECT_EQ(secondSample.caption, "GTK Widget Factory");
    EXPECT_EQ(secondSample.sample.ProcessId, static_cast<std::uint32_t>(second.Pid()));

    // The user turns back to the first window.
    ASSERT_TRUE(kwin.RunScript("var list = workspace.clientList();"
                               "for (var i = 0; i < list.length; ++i)"
                               "  if (list[i].pid == " +
                               std::to_string(first.Pid()) + ") workspace.activeClient = list[i];"));
    ASSERT_TRUE(WaitUntil([&] { return Sample().exeName == "gtk3-widget-factory"; }, 20s));
    const Sampled again = Sample();
    EXPECT_EQ(again.caption, firstCaption);

    EXPECT_TRUE(ws.RequestClose(again.sample.WindowHandle, 10s));
    EXPECT_TRUE(first.WaitExit(10s)) << "the first program did not end";
    EXPECT_TRUE(second.Running());
    vh::platform::SetWindowSystem(nullptr);
}

} // namespace
