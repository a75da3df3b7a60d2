// Sampling under a real headless KWin (kwin_wayland --virtual) with GTK 3 and GTK 4 programs as Wayland clients: the
// backend chosen from a Plasma session's environment, its script loaded over D-Bus reporting the active window, the
// close request ending the client; the user's idle time from KWin's idle protocol and the locked screen from its
// screen locker.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "monitor/Sampler.h"
#include "platform/Text.h"
#include "platform/WaylandSampling.h"
#include "platform/linux/WaylandIdle.h"
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

TEST(KWinPresence, TheIdleProtocolTellsTheIdleTimeAndTheScreenLockerTheLock) {
    KWinFixture kwin(true);
    setenv("WAYLAND_DISPLAY", kwin.WaylandDisplayPath().c_str(), 1);
    setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
    unsetenv("SWAYSOCK");
    // No logind here: the lock comes from the session bus.
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus_socket", 1);

    // KWin offers both idle protocols; the newer one is taken.
    {
        vh::platform::WaylandIdle idle;
        ASSERT_EQ(idle.Support().gap, vh::platform::PresenceGap::None) << idle.Support().reason;
        EXPECT_EQ(idle.Protocol(), "ext-idle-notify-v1");
    }
    vh::platform::SetWindowSystem(vh::platform::CreateWindowSystem());
    auto& ws = vh::platform::TheWindowSystem();
    ASSERT_EQ(ws.Presence().gap, vh::platform::PresenceGap::None) << ws.Presence().reason;
    const auto read = [&] {
        const auto p = ws.ReadPresence();
        EXPECT_TRUE(p);
        return p.value_or(vh::platform::UserPresence{std::chrono::milliseconds(-1), false});
    };
    ASSERT_TRUE(WaitUntil([&] { return read().idle >= 1s; }, 5s));
    const auto a = read().idle;
    std::this_thread::sleep_for(500ms);
    EXPECT_GE(read().idle - a, 450ms);
    EXPECT_FALSE(read().locked);

    // What KWin takes for the user's input (no virtual keyboard or pointer is offered to a plain client).
    ASSERT_EQ(kwin.DbusSend({"--dest=org.freedesktop.ScreenSaver", "/ScreenSaver",
                             "org.freedesktop.ScreenSaver.SimulateUserActivity"}),
              0);
    EXPECT_TRUE(WaitUntil([&] { return read().idle < 1s; }, 3s));

    ASSERT_EQ(kwin.DbusSend({"--dest=org.freedesktop.ScreenSaver", "/ScreenSaver", "org.freedesktop.ScreenSaver.Lock"}),
              0);
    EXPECT_TRUE(WaitUntil([&] { return read().locked; }, 10s));
    vh::platform::SetWindowSystem(nullptr);
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

} // namespace
