// The X11 backend and the sampler on a real X server (Xvfb) with real client windows: our own test
// client, xterm, xclock and GTK programs; without a window manager and under openbox. The user's presence:
// the server's idle time against xdotool's input, the lock from a stand-in logind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>
#include <xcb/xcb.h>

#include "monitor/Sampler.h"
#include "platform/Text.h"
#include "platform/linux/WindowSystemX11.h"
#include "support/FakeLogind.h"
#include "support/SamplingRecorder.h"
#include "support/XvfbFixture.h"

using namespace std::chrono_literals;
using vh::platform::WindowId;
using vh::platform::WindowSystem;
using vh::test::StartTestClient;
using vh::test::WaitUntil;
using vh::test::XvfbFixture;

namespace {

using Sampling = vh::test::SamplingRecorder;

std::string Gbk(const char* utf8) {
    return vh::text::Utf8ToGbk(utf8);
}

std::vector<WindowId> Stack(WindowSystem& ws) {
    std::vector<WindowId> out;
    ws.EnumTopWindows([&](WindowId w) {
        out.push_back(w);
        return true;
    });
    return out;
}

// The position of w in the stack from the top, or -1.
int StackIndex(WindowSystem& ws, WindowId w) {
    const auto s = Stack(ws);
    const auto it = std::find(s.begin(), s.end(), w);
    return it == s.end() ? -1 : static_cast<int>(it - s.begin());
}

class X11Test : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        x_ = std::make_unique<XvfbFixture>(GetParam());
        vh::platform::SetWindowSystem(vh::platform::CreateX11WindowSystem(x_->Display()));
    }
    void TearDown() override {
        vh::platform::SetWindowSystem(nullptr);
        x_.reset();
    }
    WindowSystem& Ws() { return vh::platform::TheWindowSystem(); }
    // The sample that WaitOnTop (or a wait like it) last saw.
    TForegroundInfo last_;

    // The client's windows are on top of the stack once the window manager has listed them.
    void WaitListed(WindowId w) {
        ASSERT_TRUE(WaitUntil([&] { return StackIndex(Ws(), w) >= 0 && Ws().IsVisible(w); })) << "window " << w;
    }
    void WaitOnTop(WindowId w) {
        ASSERT_TRUE(WaitUntil([&] {
            Sampling s;
            if (!s.Take())
                return false;
            last_ = s.Last();
            return last_.WindowHandle == w;
        })) << "window "
            << w << " never came to the top";
    }

    // The visible window of process pid with this caption, once it is there; 0 when it never comes.
    WindowId WaitForProgramWindow(pid_t pid, const std::string& caption) {
        WindowId found = 0;
        WaitUntil(
            [&] {
                Ws().EnumTopWindows([&](WindowId w) {
                    if (Ws().IsVisible(w) && Ws().GetProcessId(w) == static_cast<std::uint32_t>(pid) &&
                        Ws().GetCaption(w, 254) == caption)
                        found = w;
                    return found == 0;
                });
                return found != 0;
            },
            60s);
        return found;
    }
    void BringToFront(WindowId w) {
        const std::string id = std::to_string(w);
        if (x_->WithWindowManager())
            x_->Run({"xdotool", "windowactivate", id});
        x_->Run({"xdotool", "windowraise", id});
    }

    std::unique_ptr<XvfbFixture> x_;
};

TEST_P(X11Test, SamplesTheTopWindowWithItsCaptionAndProcess) {
    auto c = StartTestClient(*x_, {"--window", "--title", "记事本 - 测试.txt"});
    ASSERT_EQ(c.windows.size(), 1u);
    WaitListed(c.windows[0]);
    WaitOnTop(c.windows[0]);

    Sampling s;
    ASSERT_TRUE(s.Take());
    EXPECT_EQ(s.rows[0].caption, Gbk("记事本 - 测试.txt"));
    EXPECT_EQ(s.rows[0].processName, "vh_x11client");
    EXPECT_EQ(s.Last().ProcessId, static_cast<std::uint32_t>(c.child.Pid()));
    EXPECT_EQ(s.Last().WindowHandle, c.windows[0]);
    EXPECT_EQ(s.handOvers, 1);
    // The process is found at the position of its pid in the ascending /proc list.
    const auto procs = Ws().SnapshotProcesses();
    const auto pos =
        std::find_if(procs.begin(), procs.end(), [&](const auto& p) { return p.pid == s.Last().ProcessId; });
    ASSERT_NE(pos, procs.end());
    EXPECT_EQ(s.trace.size(), static_cast<std::size_t>(pos - procs.begin()) + 2);
    EXPECT_EQ(s.trace.back(), "current_caption:" + Gbk("记事本 - 测试.txt") + " name:vh_x11client");
}

TEST_P(X11Test, RaisingAnotherWindowChangesTheSample) {
    auto a = StartTestClient(*x_, {"--window", "--title", "first", "--at", "10,10"});
    WaitListed(a.windows[0]);
    auto b = StartTestClient(*x_, {"--window", "--title", "second", "--at", "400,10"});
    WaitListed(b.windows[0]);
    WaitOnTop(b.windows[0]);

    const std::string id = std::to_string(a.windows[0]);
    if (x_->WithWindowManager())
        ASSERT_EQ(x_->Run({"xdotool", "windowactivate", "--sync", id}), 0);
    else
        ASSERT_EQ(x_->Run({"xdotool", "windowraise", id}), 0);
    WaitOnTop(a.windows[0]);
    EXPECT_EQ(last_.Caption, "first");
    EXPECT_EQ(last_.ProcessId, static_cast<std::uint32_t>(a.child.Pid()));
}

TEST_P(X11Test, PassesOverOwnedHiddenAndPopupWindowsButNotBorderlessOnes) {
    // Window 0 is the main window; every later one lies above it.
    auto c =
        StartTestClient(*x_, {
                                 "--window", "--title", "main",                                                    // 0
                                 "--window", "--title", "owned",         "--transient-for", "0",                   // 1
                                 "--window", "--title", "splash",        "--type",          "SPLASH",              // 2
                                 "--window", "--title", "override",      "--override",                             // 3
                                 "--window", "--title", "tooltip",       "--type",          "TOOLTIP",             // 4
                                 "--window", "--title", "menu",          "--type",          "POPUP_MENU",          // 5
                                 "--window", "--title", "notice",        "--type",          "NOTIFICATION,NORMAL", // 6
                                 "--window", "--title", "hidden",        "--unmapped",                             // 7
                                 "--window", "--title", "own title bar", "--borderless",    "--no-pid"             // 8
                             });
    ASSERT_EQ(c.windows.size(), 9u);
    auto& ws = Ws();
    for (int i : {0, 1, 2, 4, 5, 6, 8})
        WaitListed(c.windows[i]);

    EXPECT_FALSE(ws.HasOwner(c.windows[0]));
    EXPECT_TRUE(ws.HasOwner(c.windows[1]));
    EXPECT_FALSE(ws.IsVisible(c.windows[7]));
    EXPECT_TRUE(ws.IsVisible(c.windows[0]));

    // Application windows, whether the window manager draws their title bar or they draw their own (they
    // ask for no decorations, as GTK header bars and Chromium do).
    for (int i : {0, 8}) {
        const auto st = ws.GetStyle(c.windows[i]);
        EXPECT_FALSE(st.popup) << i;
        EXPECT_TRUE(st.minimizeBox) << i;
        EXPECT_TRUE(st.sysMenu) << i;
        EXPECT_FALSE(st.disabled) << i;
        EXPECT_TRUE(IsCandidateWindow(ws, c.windows[i])) << i;
    }
    // Surfaces nobody minimises or switches to; the first window type listed decides.
    for (int i : {2, 3, 4, 5, 6}) {
        const auto st = ws.GetStyle(c.windows[i]);
        EXPECT_TRUE(st.popup) << i;
        EXPECT_FALSE(st.minimizeBox) << i;
        EXPECT_FALSE(st.sysMenu) << i;
        EXPECT_FALSE(IsCandidateWindow(ws, c.windows[i])) << i;
    }

    // The borderless window is taken (its process found through XRes without _NET_WM_PID); without it the
    // main window is the sample, with every popup above it passed over.
    Sampling s;
    ASSERT_TRUE(s.Take());
    EXPECT_EQ(s.rows[0].caption, "own title bar");
    EXPECT_EQ(s.Last().ProcessId, static_cast<std::uint32_t>(c.child.Pid()));
    ASSERT_TRUE(ws.RequestClose(c.windows[8], 5s));
    ASSERT_TRUE(WaitUntil([&] {
        Sampling t;
        return t.Take() && t.rows[0].caption == "main";
    }));
}

// _MOTIF_WM_HINTS of a window as (flags, decorations); (0, 0) when absent.
std::pair<std::uint32_t, std::uint32_t> MotifHints(const std::string& display, WindowId w) {
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    std::pair<std::uint32_t, std::uint32_t> out{0, 0};
    const char* name = "_MOTIF_WM_HINTS";
    if (auto* a = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, std::strlen(name), name), nullptr)) {
        if (auto* r = xcb_get_property_reply(
                c, xcb_get_property(c, 0, static_cast<xcb_window_t>(w), a->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 5),
                nullptr)) {
            if (r->format == 32 && xcb_get_property_value_length(r) >= 12) {
                const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
                out = {v[0], v[2]};
            }
            std::free(r);
        }
        std::free(a);
    }
    xcb_disconnect(c);
    return out;
}

TEST_P(X11Test, ProgramsDrawingTheirOwnTitleBarAreSampled) {
    auto term = x_->Spawn({"xterm", "-T", "terminal below", "-e", "sleep", "120"});
    const WindowId termWin = WaitForProgramWindow(term.Pid(), "terminal below");
    ASSERT_NE(termWin, 0u);

    struct Program {
        std::vector<std::string> argv;
        std::string caption, exe;
    };
    // GTK 4 (libadwaita-style header bar) and GTK 3 (GtkHeaderBar): two toolkits drawing their own frame.
    const Program programs[] = {
        {{"gtk4-widget-factory"}, "GTK Widget Factory", "gtk4-widget-factory"},
        {{"gtk3-widget-factory"}, "gtk3-widget-factory", "gtk3-widget-factory"},
    };
    for (const auto& p : programs) {
        SCOPED_TRACE(p.exe);
        auto child = x_->SpawnDesktopProgram(p.argv);
        const WindowId win = WaitForProgramWindow(child.Pid(), p.caption);
        ASSERT_NE(win, 0u) << p.exe << " did not show its window";
        // It really draws its own title bar: decorations asked for, none wanted.
        const auto [flags, decorations] = MotifHints(x_->Display(), win);
        EXPECT_TRUE(flags & 2u);
        EXPECT_EQ(decorations, 0u);

        // A program that is still starting may raise itself once more: raise until the sample shows it.
        auto inFront = [&](WindowId w) {
            return WaitUntil(
                [&] {
                    BringToFront(w);
                    Sampling s;
                    if (!s.Take())
                        return false;
                    last_ = s.Last();
                    return last_.WindowHandle == w;
                },
                20s);
        };
        ASSERT_TRUE(inFront(termWin));
        EXPECT_EQ(last_.ExeName, "xterm");
        ASSERT_TRUE(inFront(win)) << "never sampled";
        EXPECT_EQ(last_.Caption, p.caption);
        EXPECT_EQ(last_.ExeName, p.exe);
        EXPECT_EQ(last_.ProcessId, static_cast<std::uint32_t>(child.Pid()));
    }
}

TEST_P(X11Test, CaptionsInEveryEncodingBecomeGbk) {
    std::string longTitle = "A";
    for (int i = 0; i < 150; ++i)
        longTitle += "汉";
    auto c = StartTestClient(*x_, {"--window", "--title", "仅 WM_NAME", "--wm-name-only", //
                                   "--window", "--title", "Café crème", "--latin1",       //
                                   "--window", "--title", "复合文本 title", "--compound", //
                                   "--window", "--title", longTitle,                      //
                                   "--window", "--title", "emoji 😀 ok"});
    auto& ws = Ws();
    EXPECT_EQ(ws.GetCaption(c.windows[0], 254), Gbk("仅 WM_NAME"));
    EXPECT_EQ(ws.GetCaption(c.windows[1], 254), Gbk("Café crème"));
    EXPECT_EQ(ws.GetCaption(c.windows[2], 254), Gbk("复合文本 title"));
    // 1 + 2 * 150 bytes, cut at 254 without splitting a character: "A" and 126 characters.
    const std::string cut = ws.GetCaption(c.windows[3], 254);
    EXPECT_EQ(cut.size(), 253u);
    EXPECT_EQ(cut, Gbk(longTitle.c_str()).substr(0, 253));
    EXPECT_EQ(ws.GetCaption(c.windows[3], 10), Gbk("A汉汉汉汉"));
    EXPECT_EQ(ws.GetCaption(c.windows[4], 254), "emoji ? ok");
}

TEST_P(X11Test, StockClientsAreSampledByTheirExecutableName) {
    auto clock = x_->Spawn({"xclock", "-title", "Clock Test"});
    auto term = x_->Spawn({"xterm", "-T", "终端 test", "-e", "sleep", "60"});
    auto& ws = Ws();
    auto findByCaption = [&](const std::string& caption) -> WindowId {
        WindowId found = 0;
        ws.EnumTopWindows([&](WindowId w) {
            if (ws.IsVisible(w) && ws.GetCaption(w, 254) == caption)
                found = w;
            return found == 0;
        });
        return found;
    };
    WindowId clockWin = 0, termWin = 0;
    ASSERT_TRUE(WaitUntil([&] { return (clockWin = findByCaption("Clock Test")) != 0; }, 10s));
    ASSERT_TRUE(WaitUntil([&] { return (termWin = findByCaption(Gbk("终端 test"))) != 0; }, 10s));
    EXPECT_EQ(ws.GetProcessId(clockWin), static_cast<std::uint32_t>(clock.Pid()));
    EXPECT_EQ(ws.GetProcessId(termWin), static_cast<std::uint32_t>(term.Pid()));

    for (auto [win, caption, exe] :
         {std::tuple{clockWin, std::string("Clock Test"), "xclock"}, std::tuple{termWin, Gbk("终端 test"), "xterm"}}) {
        // xclock takes no focus, so activation is not waited for; the raise shows in the stack.
        const std::string id = std::to_string(win);
        if (x_->WithWindowManager())
            x_->Run({"xdotool", "windowactivate", id});
        ASSERT_EQ(x_->Run({"xdotool", "windowraise", id}), 0);
        WaitOnTop(win);
        EXPECT_EQ(last_.Caption, caption);
        EXPECT_EQ(last_.ExeName, exe);
    }
}

TEST_P(X11Test, CloseRequestClosesARealClient) {
    auto c = StartTestClient(*x_, {"--window", "--title", "close me"});
    WaitListed(c.windows[0]);
    EXPECT_TRUE(Ws().RequestClose(c.windows[0], 5s));
    int status = 0;
    ASSERT_TRUE(c.child.WaitExit(5s, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // A window that never answers: the wait is bounded and reported.
    auto stubborn = StartTestClient(*x_, {"--ignore-close", "--window", "--title", "stubborn"});
    WaitListed(stubborn.windows[0]);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(Ws().RequestClose(stubborn.windows[0], 300ms));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 3s);
    if (!x_->WithWindowManager()) {
        EXPECT_TRUE(stubborn.child.Running());
    }

    // xclock, asked through the same path, goes too.
    auto clock = x_->Spawn({"xclock", "-title", "Clock Close"});
    WindowId clockWin = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            Ws().EnumTopWindows([&](WindowId w) {
                if (Ws().IsVisible(w) && Ws().GetCaption(w, 254) == "Clock Close")
                    clockWin = w;
                return clockWin == 0;
            });
            return clockWin != 0;
        },
        10s));
    EXPECT_TRUE(Ws().RequestClose(clockWin, 5s));
    EXPECT_TRUE(clock.WaitExit(5s));
}

TEST_P(X11Test, KillEndsARealProcess) {
    auto c = StartTestClient(*x_, {"--window", "--title", "kill me"});
    WaitListed(c.windows[0]);
    const auto pid = Ws().GetProcessId(c.windows[0]);
    ASSERT_EQ(pid, static_cast<std::uint32_t>(c.child.Pid()));
    EXPECT_TRUE(Ws().TerminateProcess(pid));
    int status = 0;
    ASSERT_TRUE(c.child.WaitExit(5s, &status));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_FALSE(Ws().TerminateProcess(pid)) << "already gone";
    // Values that kill() reads as a process group or as every process are refused.
    EXPECT_FALSE(Ws().TerminateProcess(0));
    EXPECT_FALSE(Ws().TerminateProcess(0xFFFFFFFFu));
    EXPECT_FALSE(Ws().TerminateProcess(0x80000000u));
}

TEST_P(X11Test, VanishedWindowsGiveEmptyAnswers) {
    auto c = StartTestClient(*x_, {"--window", "--title", "short-lived"});
    const WindowId w = c.windows[0];
    WaitListed(w);
    ASSERT_EQ(x_->Run({"xdotool", "windowkill", std::to_string(w)}), 0);
    ASSERT_TRUE(c.child.WaitExit(5s));
    auto& ws = Ws();
    ASSERT_TRUE(WaitUntil([&] { return !ws.IsVisible(w); }));
    EXPECT_FALSE(ws.HasOwner(w));
    EXPECT_FALSE(ws.GetStyle(w).popup);
    EXPECT_EQ(ws.GetCaption(w, 254), "");
    EXPECT_EQ(ws.GetProcessId(w), 0u);
    EXPECT_FALSE(ws.RequestClose(w, 100ms));
    EXPECT_FALSE(ws.RequestClose(0x7FFFFFFF, 100ms));
    // The walk goes on undisturbed.
    Sampling s;
    (void)s.Take(); // it may find nothing; it must not fail
}

TEST_P(X11Test, ProcessSnapshotIsAscendingAndNamesExecutables) {
    auto c = StartTestClient(*x_, {"--window", "--title", "p"});
    const auto procs = Ws().SnapshotProcesses();
    ASSERT_FALSE(procs.empty());
    EXPECT_TRUE(std::is_sorted(procs.begin(), procs.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; }));
    auto nameOf = [&](std::uint32_t pid) {
        for (const auto& p : procs)
            if (p.pid == pid)
                return p.exeName;
        return std::string("<none>");
    };
    EXPECT_EQ(nameOf(static_cast<std::uint32_t>(c.child.Pid())), "vh_x11client");
    EXPECT_EQ(nameOf(static_cast<std::uint32_t>(getpid())), "platform_x11_test");
}

INSTANTIATE_TEST_SUITE_P(X11, X11Test, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Openbox" : "NoWindowManager"; });

TEST(X11WindowManagerTest, StaleWindowManagerPropertiesAreIgnored) {
    XvfbFixture x(true);
    auto ws = vh::platform::CreateX11WindowSystem(x.Display());
    auto c = StartTestClient(x, {"--window", "--title", "survivor"});
    ASSERT_TRUE(WaitUntil([&] { return StackIndex(*ws, c.windows[0]) == 0; }));

    // openbox dies without cleaning up; its clients go back to the root, its lists stay behind.
    x.KillWindowManager();
    ASSERT_TRUE(WaitUntil([&] {
        const auto s = Stack(*ws);
        return std::find(s.begin(), s.end(), c.windows[0]) != s.end() && ws->IsVisible(c.windows[0]);
    }));
    auto b = StartTestClient(x, {"--window", "--title", "newcomer"});
    ASSERT_TRUE(WaitUntil([&] { return StackIndex(*ws, b.windows[0]) == 0; }))
        << "the new window is on top of the real stack, not missing from a stale list";
}

TEST(X11ConnectionTest, LostServerFailsTheTickAndAReturningOneIsUsedAgain) {
    auto x = std::make_unique<XvfbFixture>(false);
    const std::string display = x->Display();
    const int number = std::stoi(display.substr(1));
    vh::platform::SetWindowSystem(vh::platform::CreateX11WindowSystem(display));
    auto c = StartTestClient(*x, {"--window", "--title", "before"});
    Sampling s;
    ASSERT_TRUE(s.Take());

    c.child.Stop();
    x.reset(); // the server goes away under the open connection
    EXPECT_FALSE(s.Tick());
    EXPECT_FALSE(s.Tick());

    // A server on the same display again: the next tick reconnects.
    x = std::make_unique<XvfbFixture>(false, number, number);
    auto d = StartTestClient(*x, {"--window", "--title", "after"});
    ASSERT_TRUE(WaitUntil([&] {
        (void)s.Tick(); // ticks fail until the window is there
        return !s.rows.empty() && s.rows.back().caption == "after";
    }));
    vh::platform::SetWindowSystem(nullptr);
}

// The buses a test gives the backend: none unless it says so, whatever the machine runs.
class NoBuses {
public:
    NoBuses() {
        for (const char* name : {"DBUS_SYSTEM_BUS_ADDRESS", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"}) {
            if (const char* v = std::getenv(name))
                saved_.emplace_back(name, v);
            unsetenv(name);
        }
        setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus_socket", 1);
    }
    ~NoBuses() {
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        for (const auto& [name, value] : saved_)
            setenv(name.c_str(), value.c_str(), 1);
    }

private:
    std::vector<std::pair<std::string, std::string>> saved_;
};

std::chrono::milliseconds IdleOf(WindowSystem& ws) {
    const auto p = ws.ReadPresence();
    EXPECT_TRUE(p.has_value());
    return p ? p->idle : std::chrono::milliseconds(-1);
}

TEST(X11PresenceTest, TheIdleTimeGrowsUntilThePointerOrAKeyIsUsed) {
    NoBuses buses;
    XvfbFixture x(false);
    auto ws = vh::platform::CreateX11WindowSystem(x.Display());
    EXPECT_EQ(ws->Presence().gap, vh::platform::PresenceGap::None) << ws->Presence().reason;

    ASSERT_EQ(x.Run({"xdotool", "mousemove", "5", "5"}), 0);
    const auto start = IdleOf(*ws);
    EXPECT_LT(start, 500ms);
    std::this_thread::sleep_for(700ms);
    const auto later = IdleOf(*ws);
    EXPECT_GE(later - start, 650ms);
    EXPECT_LT(later - start, 1500ms);
    ASSERT_FALSE(ws->ReadPresence()->locked) << "nothing tells of a lock";

    for (const std::vector<std::string>& input : {std::vector<std::string>{"xdotool", "mousemove", "40", "30"},
                                                  std::vector<std::string>{"xdotool", "key", "a"}}) {
        SCOPED_TRACE(input[1]);
        std::this_thread::sleep_for(700ms);
        const auto before = IdleOf(*ws);
        ASSERT_GE(before, 650ms);
        ASSERT_EQ(x.Run(input), 0);
        EXPECT_LT(IdleOf(*ws), 400ms);
    }
}

TEST(X11PresenceTest, LogindsLockedHintOfOurSessionTellsTheLock) {
    NoBuses buses;
    XvfbFixture x(false);
    // As a program started in the log-in session, then as one started outside it (a user service), whose
    // session logind finds as the "auto" one.
    for (const bool inSession : {true, false}) {
        SCOPED_TRACE(inSession ? "in the session" : "outside a session");
        vh::test::FakeLogind logind(inSession);
        auto ws = vh::platform::CreateX11WindowSystem(x.Display());
        auto p = ws->ReadPresence();
        ASSERT_TRUE(p);
        EXPECT_FALSE(p->locked);
        EXPECT_LT(p->idle, std::chrono::hours(1)) << "the idle time is still the server's";
        EXPECT_EQ(logind.AskedPid(), static_cast<std::uint32_t>(getpid()));
        EXPECT_EQ(logind.LastSessionPath(),
                  inSession ? "/org/freedesktop/login1/session/_32" : "/org/freedesktop/login1/session/auto");
        for (const bool locked : {true, false, true}) {
            logind.SetLocked(locked);
            p = ws->ReadPresence();
            ASSERT_TRUE(p);
            EXPECT_EQ(p->locked, locked);
        }
        // The session is looked up once, its hint read at every tick.
        EXPECT_EQ(logind.SessionLookups(), 1);
        EXPECT_EQ(logind.HintReads(), 4);
    }
}

} // namespace
