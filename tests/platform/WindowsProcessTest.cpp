// The single-instance mutex, the Run value, and ending another process, with real Win32 objects.
#include "platform/AppPaths.h"
#include "platform/Autorun.h"
#include "platform/SingleInstance.h"
#include "platform/WindowSystem.h"

#include "platform/WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

using vh::platform::SingleInstance;
using vh::wintest::RunSelf;
using vh::wintest::StartSelf;

namespace {

// A helper process is this executable started with "--vh-helper=<what>"; it never reaches the tests.
const bool kHelperMode = [] {
    const char* cmd = GetCommandLineA();
    const char* at = std::strstr(cmd, "--vh-helper=");
    if (!at)
        return false;
    const std::string what = at + std::strlen("--vh-helper=");
    if (what == "mutex") {
        SingleInstance instance("Varnholt");
        ExitProcess(instance.AlreadyExists() ? ERROR_ALREADY_EXISTS : 0);
    }
    if (what == "hold") {
        SingleInstance instance("Varnholt");
        Sleep(60000);
        ExitProcess(instance.AlreadyExists() ? ERROR_ALREADY_EXISTS : 0);
    }
    if (what == "sleep") {
        Sleep(60000);
        ExitProcess(0);
    }
    ExitProcess(2);
}();

bool HeldElsewhere() {
    return RunSelf("--vh-helper=mutex") == ERROR_ALREADY_EXISTS;
}

} // namespace

TEST(WindowsSingleInstance, SecondProcessSeesTheMutexUntilTheFirstEnds) {
    ASSERT_FALSE(kHelperMode);
    EXPECT_FALSE(HeldElsewhere());
    {
        SingleInstance first("Varnholt");
        EXPECT_FALSE(first.AlreadyExists());
        EXPECT_TRUE(HeldElsewhere());
        first.Release();
        EXPECT_FALSE(HeldElsewhere());
    }
    // A copy that dies without releasing gives the mutex up with its process.
    HANDLE holder = StartSelf("--vh-helper=hold");
    ASSERT_NE(holder, nullptr);
    bool seen = false;
    for (int i = 0; i < 200 && !seen; ++i) {
        SingleInstance probe("Varnholt");
        seen = probe.AlreadyExists();
        if (!seen)
            Sleep(25);
    }
    EXPECT_TRUE(seen);
    TerminateProcess(holder, 1);
    WaitForSingleObject(holder, 10000);
    CloseHandle(holder);
    SingleInstance after("Varnholt");
    EXPECT_FALSE(after.AlreadyExists());
}

TEST(WindowsAutorun, RunValueHoldsTheExecutablePathWhileOn) {
    const std::string exe = vh::platform::ExecutablePath();
    ASSERT_FALSE(exe.empty());
    vh::platform::WriteAutorunEntry(exe);
    EXPECT_TRUE(vh::platform::AutorunEntryExists());

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_QUERY_VALUE,
                            &key),
              ERROR_SUCCESS);
    char data[MAX_PATH * 2] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Varnholt", nullptr, &type, reinterpret_cast<BYTE*>(data), &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    // The path as the system reports it: no quotes, no arguments.
    EXPECT_EQ(std::string(data), exe);

    vh::platform::RemoveAutorunEntry();
    EXPECT_FALSE(vh::platform::AutorunEntryExists());
    vh::platform::RemoveAutorunEntry(); // a missing value is no error
    EXPECT_FALSE(vh::platform::AutorunEntryExists());
}

TEST(WindowsProcesses, TerminateEndsTheProcessWithExitCodeMinusOne) {
    auto ws = vh::platform::CreateWindowSystem();
    HANDLE child = StartSelf("--vh-helper=sleep");
    ASSERT_NE(child, nullptr);
    const DWORD pid = GetProcessId(child);
    std::string listedName;
    for (const auto& e : ws->SnapshotProcesses()) {
        if (e.pid == pid)
            listedName = e.exeName;
    }
    EXPECT_FALSE(listedName.empty());
    // What tells this process from a later one under the same id: the name the snapshot gives, and a start
    // no later than now and no earlier than our own.
    const auto id = ws->IdentifyProcess(pid);
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(id->exeName, listedName);
    const auto own = ws->IdentifyProcess(GetCurrentProcessId());
    ASSERT_TRUE(own.has_value());
    EXPECT_LE(own->started, id->started);
    EXPECT_LE(id->started, std::chrono::system_clock::now());
    EXPECT_TRUE(ws->TerminateProcess(pid));
    ASSERT_EQ(WaitForSingleObject(child, 10000), WAIT_OBJECT_0);
    // Ended, though our handle keeps it reachable: it names nothing any more.
    EXPECT_FALSE(ws->IdentifyProcess(pid).has_value());
    DWORD code = 0;
    GetExitCodeProcess(child, &code);
    CloseHandle(child);
    EXPECT_EQ(code, 0xFFFFFFFFu);
    EXPECT_FALSE(ws->TerminateProcess(0));
}

// The kill of the non-work notice: one handle from the look to the kill. A process the check refuses lives on;
// one that has ended is not looked at (its id may already be another's).
TEST(WindowsProcesses, TerminateIdentifiedEndsOnlyTheProcessTheCheckAccepts) {
    auto ws = vh::platform::CreateWindowSystem();
    HANDLE child = StartSelf("--vh-helper=sleep");
    ASSERT_NE(child, nullptr);
    const DWORD pid = GetProcessId(child);
    const auto expected = ws->IdentifyProcess(pid);
    ASSERT_TRUE(expected.has_value());
    int looked = 0;
    EXPECT_FALSE(ws->TerminateIdentified(pid, [&](const vh::platform::ProcessIdentity& id) {
        ++looked;
        EXPECT_EQ(id.exeName, expected->exeName);
        EXPECT_EQ(id.started, expected->started);
        return false;
    }));
    EXPECT_EQ(looked, 1);
    EXPECT_EQ(WaitForSingleObject(child, 200), static_cast<DWORD>(WAIT_TIMEOUT)) << "a refused process was ended";
    EXPECT_TRUE(ws->TerminateIdentified(pid, [](const vh::platform::ProcessIdentity&) { return true; }));
    ASSERT_EQ(WaitForSingleObject(child, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(child, &code);
    EXPECT_EQ(code, 0xFFFFFFFFu);
    EXPECT_FALSE(ws->TerminateIdentified(pid, [&](const vh::platform::ProcessIdentity&) {
        ++looked;
        return true;
    }));
    EXPECT_EQ(looked, 1);
    CloseHandle(child);
    EXPECT_FALSE(ws->TerminateIdentified(0, [](const vh::platform::ProcessIdentity&) { return true; }));
}
