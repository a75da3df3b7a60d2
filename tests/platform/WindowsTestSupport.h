#pragma once
// Helpers of the Windows backend tests: the shared folder and file helpers, the test executable started
// again as a helper process.
#include <windows.h>

#include <string>

#include "support/TempFolder.h"

namespace vh::wintest {

using vh::test::ReadAll;
using vh::test::TempFolder;
using vh::test::WriteAll;

// True under wine, whose profile functions rewrite the whole file where Windows edits it in place.
inline bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Starts this test executable again with the given arguments; the caller closes the handle.
inline HANDLE StartSelf(const std::string& args) {
    char exe[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string cmd = "\"" + std::string(exe) + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(exe, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Runs this executable with args and returns its exit code (or 0xDEAD when it did not end in 30 s).
inline DWORD RunSelf(const std::string& args) {
    HANDLE h = StartSelf(args);
    if (!h)
        return 0xBAD;
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(h, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(h, &code);
    else
        TerminateProcess(h, 1);
    CloseHandle(h);
    return code;
}

} // namespace vh::wintest
