// The window manager and the process list through Win32 and Tool Help; the user's presence from the last input
// and the session's lock notifications.
#include "platform/WindowSystem.h"

#include <windows.h>

#include <tlhelp32.h>
#include <wtsapi32.h>

namespace vh::platform {

namespace {

HWND ToHwnd(WindowId w) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(w));
}

WindowId ToId(HWND h) {
    return static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(h));
}

// FILETIME counts 100 ns from 1601-01-01 UTC.
std::chrono::system_clock::time_point FromFileTime(const FILETIME& ft) {
    constexpr long long kUnixEpochInFileTime = 116444736000000000LL;
    const long long ticks =
        static_cast<long long>((static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
    using Ticks = std::chrono::duration<long long, std::ratio<1, 10000000>>;
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(Ticks(ticks - kUnixEpochInFileTime)));
}

struct EnumState {
    const std::function<bool(WindowId)>* visit;
};

BOOL CALLBACK EnumProc(HWND h, LPARAM param) {
    auto* state = reinterpret_cast<EnumState*>(param);
    return (*state->visit)(ToId(h)) ? TRUE : FALSE;
}

// A message-only window that hears the session being locked and unlocked. It belongs to the thread that made it,
// whose message loop (Qt's on the user-interface thread) delivers the notifications.
class SessionLockWatch {
public:
    static constexpr const char* kClassName = "VarnholtSessionWatch";

    SessionLockWatch() {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        RegisterClassExA(&wc); // fails harmlessly when a second backend registers it again
        hwnd_ = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        if (hwnd_)
            SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        Register();
    }
    ~SessionLockWatch() {
        if (!hwnd_)
            return;
        if (registered_)
            WTSUnRegisterSessionNotification(hwnd_);
        DestroyWindow(hwnd_);
    }
    SessionLockWatch(const SessionLockWatch&) = delete;
    SessionLockWatch& operator=(const SessionLockWatch&) = delete;

    // Until a notification says otherwise the session is taken as unlocked: the program starts after a log-in.
    bool Locked() {
        if (!registered_)
            Register();
        return locked_;
    }

private:
    // Early in a log-in the terminal services may not take registrations yet; each read tries again.
    void Register() { registered_ = hwnd_ && WTSRegisterSessionNotification(hwnd_, NOTIFY_FOR_THIS_SESSION); }

    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_WTSSESSION_CHANGE && (wp == WTS_SESSION_LOCK || wp == WTS_SESSION_UNLOCK)) {
            if (auto* self = reinterpret_cast<SessionLockWatch*>(GetWindowLongPtrA(h, GWLP_USERDATA)))
                self->locked_ = wp == WTS_SESSION_LOCK;
            return 0;
        }
        return DefWindowProcA(h, msg, wp, lp);
    }

    HWND hwnd_ = nullptr;
    bool registered_ = false;
    bool locked_ = false;
};

class Win32WindowSystem : public WindowSystem {
public:
    void EnumTopWindows(const std::function<bool(WindowId)>& visit) override {
        EnumState state{&visit};
        EnumWindows(EnumProc, reinterpret_cast<LPARAM>(&state));
    }

    bool HasOwner(WindowId w) override { return GetWindow(ToHwnd(w), GW_OWNER) != nullptr; }

    bool IsVisible(WindowId w) override { return IsWindowVisible(ToHwnd(w)) != FALSE; }

    WindowStyle GetStyle(WindowId w) override {
        const DWORD style = static_cast<DWORD>(GetWindowLongA(ToHwnd(w), GWL_STYLE));
        WindowStyle s;
        s.popup = (style & WS_POPUP) != 0;
        s.minimizeBox = (style & WS_MINIMIZEBOX) != 0;
        s.sysMenu = (style & WS_SYSMENU) != 0;
        s.disabled = (style & WS_DISABLED) != 0;
        return s;
    }

    std::string GetCaption(WindowId w, std::size_t maxBytes) override {
        // 255 bytes for the sampler: 254 of text and the terminating null.
        std::string buf(maxBytes + 1, '\0');
        const int n = GetWindowTextA(ToHwnd(w), buf.data(), static_cast<int>(buf.size()));
        buf.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return buf;
    }

    std::uint32_t GetProcessId(WindowId w) override {
        DWORD pid = 0;
        GetWindowThreadProcessId(ToHwnd(w), &pid);
        return pid;
    }

    std::vector<ProcessEntry> SnapshotProcesses() override {
        std::vector<ProcessEntry> out;
        HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snap == INVALID_HANDLE_VALUE)
            return out;
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry)) {
            entry.szExeFile[sizeof entry.szExeFile - 1] = '\0';
            out.push_back({static_cast<std::uint32_t>(entry.th32ProcessID), entry.szExeFile});
            entry.dwSize = sizeof entry;
        }
        CloseHandle(snap);
        return out;
    }

    bool RequestClose(WindowId w, std::chrono::milliseconds timeout) override {
        HWND h = ToHwnd(w);
        if (!IsWindow(h))
            return false;
        // A hung program must not hold the sampling thread: wait at most timeout for WM_CLOSE to be handled.
        DWORD_PTR result = 0;
        const UINT ms = timeout.count() <= 0 ? 1u : static_cast<UINT>(timeout.count());
        return SendMessageTimeoutA(h, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, ms, &result) != 0;
    }

    std::optional<ProcessIdentity> IdentifyProcess(std::uint32_t pid) override {
        if (pid == 0)
            return std::nullopt;
        // While the handle is open the id cannot pass to another process, so the name below is this one's.
        HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
        if (!h)
            return std::nullopt;
        std::optional<ProcessIdentity> id = IdentityOf(h, pid);
        CloseHandle(h);
        return id;
    }

    // One handle from the look to the kill: the id stays with this process until the handle is closed, and
    // TerminateProcess on it can only end this process.
    bool TerminateIdentified(std::uint32_t pid, const std::function<bool(const ProcessIdentity&)>& isTarget) override {
        if (pid == 0)
            return false;
        HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
        if (!h)
            return false;
        const std::optional<ProcessIdentity> id = IdentityOf(h, pid);
        const bool ok = id && isTarget(*id) && ::TerminateProcess(h, 0xFFFFFFFFu) != FALSE;
        CloseHandle(h);
        return ok;
    }

    bool TerminateProcess(std::uint32_t pid) override {
        HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
        if (!h)
            return false;
        const bool ok = ::TerminateProcess(h, 0xFFFFFFFFu) != FALSE;
        CloseHandle(h);
        return ok;
    }

    PresenceSupport Presence() override { return {PresenceGap::None, {}}; }

    std::optional<UserPresence> ReadPresence() override {
        const bool locked = lock_.Locked();
        LASTINPUTINFO last{};
        last.cbSize = sizeof last;
        if (!GetLastInputInfo(&last))
            return locked ? std::optional<UserPresence>(UserPresence{std::chrono::milliseconds(0), true})
                          : std::nullopt;
        // Both are 32-bit millisecond counts: the unsigned difference stays right across the wrap after 49.7 days.
        const DWORD idle = GetTickCount() - last.dwTime;
        return UserPresence{std::chrono::milliseconds(idle), locked};
    }

private:
    SessionLockWatch lock_;

    // The name and start of the process a handle holds, found under its id in a snapshot (the handle keeps the
    // id from passing on); nothing once it has ended (a handle keeps an ended process reachable).
    std::optional<ProcessIdentity> IdentityOf(HANDLE h, std::uint32_t pid) {
        FILETIME created{}, exited{}, kernel{}, user{};
        if (WaitForSingleObject(h, 0) != WAIT_TIMEOUT || !GetProcessTimes(h, &created, &exited, &kernel, &user))
            return std::nullopt;
        for (auto& entry : SnapshotProcesses()) {
            if (entry.pid == pid)
                return ProcessIdentity{std::move(entry.exeName), FromFileTime(created)};
        }
        return std::nullopt;
    }
};

} // namespace

std::unique_ptr<WindowSystem> CreateWindowSystem() {
    return std::make_unique<Win32WindowSystem>();
}

bool OwnWindowsPreferX11() {
    return false;
}

} // namespace vh::platform
