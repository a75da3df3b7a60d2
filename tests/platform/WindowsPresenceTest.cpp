// The user's presence through the real Win32 calls (under wine on the build machine): the idle time from the last
// input against input made with SendInput, the lock from the session notifications that reach the backend's
// message-only window through the thread's message loop.
#include "platform/WindowSystem.h"

#include "platform/WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <wtsapi32.h>

using namespace std::chrono_literals;

namespace {

void Pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

std::chrono::milliseconds IdleOf(vh::platform::WindowSystem& ws) {
    const auto p = ws.ReadPresence();
    EXPECT_TRUE(p.has_value());
    return p ? p->idle : std::chrono::milliseconds(-1);
}

TEST(WindowsPresence, TheIdleTimeGrowsUntilInput) {
    auto ws = vh::platform::CreateWindowSystem();
    EXPECT_EQ(ws->Presence().gap, vh::platform::PresenceGap::None);
    const auto a = IdleOf(*ws);
    Sleep(500);
    const auto b = IdleOf(*ws);
    EXPECT_GE(b - a, 450ms);
    EXPECT_LT(b - a, 1500ms);

    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = 3;
    move.mi.dy = 2;
    move.mi.dwFlags = MOUSEEVENTF_MOVE;
    INPUT key[2]{};
    key[0].type = key[1].type = INPUT_KEYBOARD;
    key[0].ki.wVk = key[1].ki.wVk = VK_SHIFT;
    key[1].ki.dwFlags = KEYEVENTF_KEYUP;
    for (const auto& [inputs, count] : {std::pair<INPUT*, UINT>{&move, 1}, std::pair<INPUT*, UINT>{key, 2}}) {
        Sleep(400);
        ASSERT_GE(IdleOf(*ws), 350ms);
        ASSERT_EQ(SendInput(count, inputs, sizeof(INPUT)), count);
        Pump();
        EXPECT_LT(IdleOf(*ws), 300ms);
    }
}

TEST(WindowsPresence, TheSessionsLockNotificationsTellTheLock) {
    auto ws = vh::platform::CreateWindowSystem();
    HWND watch = FindWindowExA(HWND_MESSAGE, nullptr, "VarnholtSessionWatch", nullptr);
    ASSERT_NE(watch, nullptr);
    EXPECT_FALSE(ws->ReadPresence()->locked);
    // Windows posts these to every registered window of the session; wine never locks one.
    const auto notify = [&](WPARAM event) {
        ASSERT_TRUE(
            PostMessageA(watch, WM_WTSSESSION_CHANGE, event, static_cast<LPARAM>(WTSGetActiveConsoleSessionId())));
        Pump();
    };
    notify(WTS_SESSION_LOCK);
    EXPECT_TRUE(ws->ReadPresence()->locked);
    notify(WTS_CONSOLE_CONNECT); // other session changes say nothing about the lock
    EXPECT_TRUE(ws->ReadPresence()->locked);
    notify(WTS_SESSION_UNLOCK);
    EXPECT_FALSE(ws->ReadPresence()->locked);
}

} // namespace
