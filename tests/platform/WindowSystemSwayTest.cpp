// Sampling under a real headless sway with real Wayland clients (foot, the GTK 4 widget factory) and our own
// windows as X11 clients through XWayland: the backend chosen from the session's environment, the focused
// window as the sample, our notices passed over, the close request ending the client, the main window put
// away into the scratchpad where there is no tray, and the user's idle time from sway's idle protocol.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/Unit1.h"
#include "monitor/Sampler.h"
#include "platform/OurWindowsSampling.h"
#include "platform/Text.h"
#include "platform/WaylandSampling.h"
#include "platform/linux/WaylandIdle.h"
#include "support/SwayFixture.h"
#include "support/XApplication.h"
#include "toolkit/TrayHost.h"

using namespace std::chrono_literals;
using vh::test::Sample;
using vh::test::Sampled;
using vh::test::SwayFixture;
using vh::test::WaitUntil;
using vh::test::XChild;

namespace {

std::string Gbk(const char* utf8) {
    return vh::text::Utf8ToGbk(utf8);
}

class SwaySampling : public vh::test::DesktopSampling {
protected:
    static void SetUpTestSuite() {
        sway_ = new SwayFixture(true);
        foot_ =
            new XChild(sway_->SpawnClient({"foot", "--app-id", "vhfoot", "--title", "vh 终端 foot", "sleep", "600"}));
        gtk_ = new XChild(sway_->SpawnClient({"gtk4-widget-factory"}));
        ASSERT_TRUE(sway_->WaitForWindow("app_id=vhfoot"));
        ASSERT_TRUE(sway_->WaitForWindow("app_id=gtk4-widget-factory"));
        app_ = vh::test::NewXApplication(sway_->XDisplay());
        // A Wayland session of sway, as the program would find it; the display by its full path, as the test's
        // runtime folder is not the session's.
        setenv("WAYLAND_DISPLAY", (sway_->RuntimeDir() + "/" + sway_->WaylandDisplay()).c_str(), 1);
        setenv("SWAYSOCK", sway_->SocketPath().c_str(), 1);
    }
    static void TearDownTestSuite() {
        delete app_;
        delete gtk_;
        delete foot_;
        delete sway_;
    }

    static void Focus(const std::string& criteria) { ASSERT_EQ(sway_->Command("[" + criteria + "] focus"), 0); }

    // Until the window with these criteria is in sway's tree and has the focus.
    static bool WaitForFocus(const std::string& criteria) {
        return WaitUntil(
            [&] {
                QCoreApplication::processEvents();
                return sway_->Command("[con_id=__focused__ " + criteria + "] nop") == 0;
            },
            20s);
    }

    static inline SwayFixture* sway_ = nullptr;
    static inline XChild* foot_ = nullptr;
    static inline XChild* gtk_ = nullptr;
    static inline QApplication* app_ = nullptr;
};

TEST_F(SwaySampling, TheFocusedWindowIsTheSample) {
    for (int round = 0; round < 2; ++round) {
        Focus("app_id=vhfoot");
        vh::test::ExpectSampleOf(Sample(), foot_->Pid(), "vh 终端 foot", "foot");
        Focus("app_id=gtk4-widget-factory");
        vh::test::ExpectSampleOf(Sample(), gtk_->Pid(), "GTK Widget Factory", "gtk4-widget-factory");
    }
}

TEST_F(SwaySampling, OurNoticesAreNotTheSample) {
    const std::string ours = "pid=" + std::to_string(getpid());

    // The X11 window types decide for X11 clients, as on an X server: a notification is passed over even when
    // focused and owned by no window; a normal window is sampled.
    XChild x11 = sway_->SpawnClient({vh::test::XvfbFixture::TestClientPath(), "--window", "--title", "x11 popup",
                                     "--type", "NOTIFICATION", "--window", "--title", "x11 normal"},
                                    {"DISPLAY=" + sway_->XDisplay()});
    ASSERT_TRUE(sway_->WaitForWindow("title=\"x11 popup\""));
    ASSERT_TRUE(sway_->WaitForWindow("title=\"x11 normal\""));
    Focus("title=\"x11 normal\"");
    Sampled s = Sample();
    EXPECT_EQ(s.caption, "x11 normal");
    EXPECT_EQ(s.exeName, "vh_x11client");
    Focus("app_id=vhfoot");
    Focus("title=\"x11 popup\"");
    s = Sample();
    EXPECT_EQ(s.caption, Gbk("vh 终端 foot"));
    x11.Stop();

    vh::test::ExpectOurNoticesPassedOver(
        [&](QWidget& w) {
            return sway_->Command("[" + ours + " title=\"" + w.windowTitle().toStdString() + "\"] focus") == 0;
        },
        [] { Focus("app_id=vhfoot"); }, "vh 终端 foot");
}

TEST_F(SwaySampling, WithoutATrayTheMainWindowWaitsInTheScratchpad) {
    struct NoTray : vh::TrayHost {
        bool Available() const override { return false; }
    };
    vh::SetTrayHost(std::make_unique<NoTray>());
    const std::string ours = "pid=" + std::to_string(getpid());
    Focus("app_id=vhfoot");
    {
        TForm1 form;
        // As start-up puts it away: in sway's tree but not shown, and the user's window has the front again.
        for (int round = 0; round < 2; ++round) {
            form.MinimizeToTray();
            ASSERT_TRUE(WaitUntil(
                [&] {
                    QCoreApplication::processEvents();
                    auto& ws = vh::platform::TheWindowSystem();
                    bool hidden = false;
                    ws.EnumTopWindows([&](vh::platform::WindowId w) {
                        hidden =
                            hidden || (ws.GetProcessId(w) == static_cast<std::uint32_t>(getpid()) && !ws.IsVisible(w));
                        return true;
                    });
                    return hidden;
                },
                20s));
            ASSERT_TRUE(WaitForFocus("app_id=vhfoot"));
            EXPECT_EQ(Sample().caption, Gbk("vh 终端 foot"));

            // Restoring brings it back from there, in front.
            form.RestoreFromTray();
            ASSERT_TRUE(WaitForFocus(ours));
            EXPECT_EQ(Sample().caption, Gbk("*Varnholt--岚舟记*"));
            // Restoring a window that is shown leaves it shown.
            form.RestoreFromTray();
            QCoreApplication::processEvents();
            EXPECT_EQ(sway_->Command("[con_id=__focused__ " + ours + "] nop"), 0);
        }
    }
    vh::SetTrayHost(nullptr);
    QCoreApplication::processEvents();
}

TEST_F(SwaySampling, WindowsNotShownAreNotSampled) {
    // Another workspace, empty: the windows of the first are not shown, and nothing is sampled.
    ASSERT_EQ(sway_->Command("workspace 2"), 0);
    EXPECT_FALSE(Sample().taken);
    ASSERT_EQ(sway_->Command("workspace 1"), 0);

    // A window in the scratchpad is hidden although sway still lists it.
    Focus("app_id=gtk4-widget-factory");
    ASSERT_EQ(sway_->Command("[app_id=gtk4-widget-factory] move scratchpad"), 0);
    auto& ws = vh::platform::TheWindowSystem();
    bool listedHidden = false;
    ws.EnumTopWindows([&](vh::platform::WindowId w) {
        if (ws.GetProcessId(w) == static_cast<std::uint32_t>(gtk_->Pid()))
            listedHidden = !ws.IsVisible(w);
        return true;
    });
    EXPECT_TRUE(listedHidden);
    Focus("app_id=vhfoot");
    EXPECT_EQ(Sample().caption, Gbk("vh 终端 foot"));
    ASSERT_EQ(sway_->Command("[app_id=gtk4-widget-factory] scratchpad show"), 0);
    ASSERT_EQ(sway_->Command("[app_id=gtk4-widget-factory] floating disable"), 0);
    Focus("app_id=gtk4-widget-factory");
    EXPECT_EQ(Sample().exeName, "gtk4-widget-factory");
}

TEST_F(SwaySampling, TheCloseRequestEndsTheFocusedClient) {
    // A title that JSON has to escape, with a character GBK cannot hold.
    XChild closing = sway_->SpawnClient(
        {"foot", "--app-id", "vhclose", "--title", "close \"me\" \\ \\u0041 \xF0\x9F\x98\x80", "sleep", "600"});
    ASSERT_TRUE(sway_->WaitForWindow("app_id=vhclose"));
    Focus("app_id=vhclose");
    const Sampled s = Sample();
    ASSERT_EQ(s.caption, "close \"me\" \\ \\u0041 ?");
    const vh::platform::WindowId w = s.sample.WindowHandle;

    auto& ws = vh::platform::TheWindowSystem();
    EXPECT_TRUE(ws.RequestClose(w, 10s));
    EXPECT_TRUE(closing.WaitExit(10s)) << "foot did not end";
    EXPECT_FALSE(ws.RequestClose(w, 1s)) << "a window that is gone";
    // The others are still there.
    EXPECT_TRUE(foot_->Running());
    EXPECT_TRUE(gtk_->Running());
}

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Since(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t);
}

TEST_F(SwaySampling, TheIdleTimeComesFromTheCompositorAndEndsWithInput) {
    // No logind and no screen saver service here: nothing tells of a lock.
    const auto idle = vh::test::IdleWithoutLockSource();

    // Taken before the input: the idle time can only be shorter than the time since then.
    const auto input = Clock::now();
    ASSERT_EQ(sway_->Command("seat - cursor move 10 10"), 0);
    ASSERT_TRUE(WaitUntil([&] { return idle() >= 1s; }, 5s));
    const auto a = idle();
    std::this_thread::sleep_for(500ms);
    const auto b = idle();
    EXPECT_GE(b - a, 450ms);
    EXPECT_LE(b, Since(input)) << "never more than the real idle time";

    // sway counts its own pointer motion and a key on a virtual keyboard (wtype) as the user's input.
    const std::vector<std::function<void()>> inputs{
        [] { ASSERT_EQ(sway_->Command("seat - cursor move -5 -5"), 0); },
        [] {
            EXPECT_TRUE(sway_->SpawnClient({"wtype", "-k", "Shift_L"}).WaitExit(10s));
        }};
    for (const auto& make : inputs) {
        ASSERT_TRUE(WaitUntil([&] { return idle() >= 1s; }, 5s));
        make();
        EXPECT_TRUE(WaitUntil([&] { return idle() < 1s; }, 3s));
    }
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

TEST_F(SwaySampling, ReadRarelyTheIdleTimeIsTheLongestTimeoutPassed) {
    const auto input = Clock::now();
    ASSERT_EQ(sway_->Command("seat - cursor move 5 5"), 0);
    vh::platform::WaylandIdle idle({1s, 3s});
    ASSERT_EQ(idle.Support().gap, vh::platform::PresenceGap::None);
    // sway 1.7 offers only KDE's protocol.
    EXPECT_EQ(idle.Protocol(), "org_kde_kwin_idle");
    // Nothing read for four seconds: both timeouts' events wait unread, and the longer one counts.
    std::this_thread::sleep_for(4s);
    const auto i = idle.Idle();
    ASSERT_TRUE(i);
    EXPECT_GE(*i, 3s);
    EXPECT_LE(*i, Since(input));
}

} // namespace
