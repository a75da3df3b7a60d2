// The sampler over real Win32 windows of this process: Z order, the candidate rules, captions and the
// process snapshot, the close request.
#include "monitor/Sampler.h"
#include "platform/AppPaths.h"
#include "platform/Text.h"
#include "platform/WindowSystem.h"

#include "platform/WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using vh::text::Utf8ToGbk;

namespace {

LRESULT CALLBACK TestWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        DestroyWindow(h);
        return 0;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

const char* TestClass() {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = TestWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VhSamplerTest";
        return RegisterClassA(&wc) != 0;
    }();
    return registered ? "VhSamplerTest" : nullptr;
}

void Pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

struct Stored {
    std::string time, caption, exe, description;
};

class WindowsSampler : public ::testing::Test {
protected:
    void SetUp() override {
        vh::platform::SetWindowSystem(vh::platform::CreateWindowSystem());
        const std::string exe = vh::platform::ExecutablePath();
        exeName = exe.substr(exe.find_last_of("\\/") + 1);
        SamplerSinks sinks;
        sinks.store = [this](const std::string& t, const TForegroundInfo& sample) {
            stored.push_back({t, sample.Caption, sample.ExeName, ""});
            return TWriteResult::Done;
        };
        sinks.dealWithUnwork = [this](const TForegroundInfo&) { ++handOvers; };
        sinks.trace = [this](const std::string& m) { traces.push_back(m); };
        sampler = std::make_unique<TSampler>(
            []() -> vh::platform::WindowSystem& { return vh::platform::TheWindowSystem(); }, sinks);
    }
    void TearDown() override {
        for (HWND h : windows)
            if (IsWindow(h))
                DestroyWindow(h);
        Pump();
        vh::platform::SetWindowSystem(nullptr);
    }

    // A window of this process, shown at the top of the Z order unless hidden.
    HWND Make(const std::string& captionUtf8, DWORD style, HWND owner = nullptr, bool show = true) {
        HWND h = CreateWindowExA(0, TestClass(), Utf8ToGbk(captionUtf8).c_str(), style, 10, 10, 200, 120, owner,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(h, nullptr);
        if (h && show)
            SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        Pump();
        windows.push_back(h);
        return h;
    }

    Stored SampleOnce() {
        stored.clear();
        traces.clear();
        sampler->TakeSample();
        EXPECT_EQ(stored.size(), 1u);
        return stored.empty() ? Stored{} : stored.back();
    }

    std::unique_ptr<TSampler> sampler;
    std::vector<Stored> stored;
    std::vector<std::string> traces;
    int handOvers = 0;
    std::vector<HWND> windows;
    std::string exeName;
};

} // namespace

TEST_F(WindowsSampler, TakesTheTopCandidateAndPassesOverTheOthers) {
    const HWND main = Make("工作窗口 main", WS_OVERLAPPEDWINDOW);
    Stored s = SampleOnce();
    EXPECT_EQ(s.caption, Utf8ToGbk("工作窗口 main"));
    EXPECT_EQ(s.exe, exeName);
    EXPECT_EQ(s.description, "");
    EXPECT_EQ(s.time.size(), 19u);
    EXPECT_EQ(sampler->ForegroundInfo().WindowHandle,
              static_cast<vh::platform::WindowId>(reinterpret_cast<std::uintptr_t>(main)));
    EXPECT_EQ(sampler->ForegroundInfo().ProcessId, GetCurrentProcessId());
    EXPECT_EQ(sampler->ForegroundInfo().ExeName, exeName);
    EXPECT_EQ(handOvers, 1);

    // Each of these lies above the main window and is no candidate.
    Make("splash", WS_POPUP | WS_VISIBLE);
    Make("popup with menu only", WS_POPUP | WS_SYSMENU);
    Make("disabled popup", WS_POPUP | WS_MINIMIZEBOX | WS_SYSMENU | WS_DISABLED);
    Make("owned", WS_OVERLAPPEDWINDOW, main);
    Make("hidden", WS_OVERLAPPEDWINDOW, nullptr, false);
    EXPECT_EQ(SampleOnce().caption, Utf8ToGbk("工作窗口 main"));
    EXPECT_EQ(handOvers, 2);

    // A popup that offers minimise and a window menu counts, and it is on top.
    Make("对话 popup", WS_POPUP | WS_MINIMIZEBOX | WS_SYSMENU);
    EXPECT_EQ(SampleOnce().caption, Utf8ToGbk("对话 popup"));
    // A disabled overlapped window is no popup, so it passes.
    Make("disabled overlapped", WS_OVERLAPPEDWINDOW | WS_DISABLED);
    EXPECT_EQ(SampleOnce().caption, "disabled overlapped");
}

TEST_F(WindowsSampler, TraceCountsTheSnapshotEntriesUpToOurProcess) {
    Make("traced", WS_OVERLAPPEDWINDOW);
    const auto procs = vh::platform::TheWindowSystem().SnapshotProcesses();
    std::size_t position = 0;
    while (position < procs.size() && procs[position].pid != GetCurrentProcessId())
        ++position;
    ASSERT_LT(position, procs.size()) << "this process is missing from the snapshot";
    EXPECT_EQ(procs[position].exeName, exeName);

    SampleOnce();
    ASSERT_EQ(traces.size(), position + 2);
    const std::string pid = std::to_string(GetCurrentProcessId());
    EXPECT_EQ(traces[position], pid + ",proid:" + pid + "name:traced");
    EXPECT_EQ(traces.back(), "current_caption:traced name:" + exeName);
}

TEST_F(WindowsSampler, WineDefaultImeWindowIsPassedOver) {
    Make("under the IME", WS_OVERLAPPEDWINDOW);
    auto& ws = vh::platform::TheWindowSystem();
    std::vector<std::string> captions;
    ws.EnumTopWindows([&](vh::platform::WindowId w) {
        captions.push_back(ws.GetCaption(w, 254));
        return true;
    });
    bool imeListed = false;
    for (const auto& c : captions)
        imeListed = imeListed || c == "Default IME";
    if (vh::wintest::UnderWine()) {
        EXPECT_TRUE(imeListed) << "wine lists a hidden IME window of every GUI thread";
    }
    EXPECT_EQ(SampleOnce().caption, "under the IME");
}

TEST_F(WindowsSampler, CaptionsAreGbkAndCutTo254Bytes) {
    std::string longUtf8;
    for (int i = 0; i < 200; ++i)
        longUtf8 += "汉";
    const HWND h = Make(longUtf8, WS_OVERLAPPEDWINDOW);
    const std::string full = Utf8ToGbk(longUtf8);
    EXPECT_EQ(SampleOnce().caption, full.substr(0, 254));
    auto& ws = vh::platform::TheWindowSystem();
    SetWindowTextA(h, Utf8ToGbk("标题：中文 €").c_str());
    EXPECT_EQ(vh::text::GbkToUtf8(ws.GetCaption(reinterpret_cast<std::uintptr_t>(h), 254)), "标题：中文 €");
}

TEST_F(WindowsSampler, NoCandidateStoresNothing) {
    // Other programs' windows may exist in the session; only when none qualifies is nothing stored.
    for (HWND h : windows)
        DestroyWindow(h);
    stored.clear();
    bool any = false;
    auto& ws = vh::platform::TheWindowSystem();
    ws.EnumTopWindows([&](vh::platform::WindowId w) {
        any = any || (!ws.HasOwner(w) && ws.IsVisible(w) && IsCandidateWindow(ws, w));
        return true;
    });
    if (any)
        GTEST_SKIP() << "another program shows a candidate window in this session";
    sampler->TakeSample();
    EXPECT_TRUE(stored.empty());
    EXPECT_EQ(handOvers, 0);
}

TEST_F(WindowsSampler, CloseRequestIsHandledAndAHungWindowDoesNotHoldUs) {
    auto& ws = vh::platform::TheWindowSystem();
    const HWND h = Make("close me", WS_OVERLAPPEDWINDOW);
    EXPECT_TRUE(ws.RequestClose(reinterpret_cast<std::uintptr_t>(h), std::chrono::milliseconds(2000)));
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(ws.RequestClose(reinterpret_cast<std::uintptr_t>(h), std::chrono::milliseconds(100)));

    // A window whose thread stops pumping messages.
    HANDLE created = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HWND hung = nullptr;
    std::thread t([&] {
        hung = CreateWindowExA(0, TestClass(), "hung", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        SetEvent(created);
        WaitForSingleObject(release, 20000);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&m);
        if (IsWindow(hung))
            DestroyWindow(hung);
    });
    WaitForSingleObject(created, 10000);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(ws.RequestClose(reinterpret_cast<std::uintptr_t>(hung), std::chrono::milliseconds(300)));
    EXPECT_LT(GetTickCount() - start, 5000u);
    SetEvent(release);
    t.join();
    CloseHandle(created);
    CloseHandle(release);
}
