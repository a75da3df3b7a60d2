#pragma once
// Helpers of the Windows backend tests: a fresh folder, whole-file reads and writes, the test executable
// started again as a helper process.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace vh::wintest {

class TempFolder {
public:
    TempFolder() {
        char base[MAX_PATH + 1] = {};
        GetTempPathA(sizeof base, base);
        for (unsigned i = 0;; ++i) {
            path_ = std::string(base) + "vh-win-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(i);
            if (CreateDirectoryA(path_.c_str(), nullptr))
                break;
            if (GetLastError() != ERROR_ALREADY_EXISTS || i > 1000)
                std::abort();
        }
    }
    ~TempFolder() { RemoveTree(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    std::size_t EntryCount() const {
        std::size_t n = 0;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((path_ + "\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            return 0;
        do {
            const std::string name = fd.cFileName;
            if (name != "." && name != "..")
                ++n;
        } while (FindNextFileA(h, &fd));
        FindClose(h);
        return n;
    }

private:
    static void RemoveTree(const std::string& dir) {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = fd.cFileName;
                if (name == "." || name == "..")
                    continue;
                const std::string p = dir + "\\" + name;
                SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(p);
                else
                    DeleteFileA(p.c_str());
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(dir.c_str());
    }
    std::string path_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

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
