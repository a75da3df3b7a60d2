#pragma once
// What the sampler and the non-work handling ask of the window system and the process list.
// Backends: Windows (Win32), Linux (X11 with EWMH; sway's IPC, a KWin script or our GNOME Shell extension on
// Wayland; /proc), and a scripted fake for unit tests.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vh::platform {

// An HWND or an X window id.
using WindowId = std::uint64_t;

// The style facts the candidate test needs, in Windows terms (WS_POPUP, WS_MINIMIZEBOX, WS_SYSMENU,
// WS_DISABLED). The X11 backend reports override-redirect windows and popup window types (menus, tooltips,
// notifications, splash screens, ...) as popups without either; every other window as an application window.
struct WindowStyle {
    bool popup = false;
    bool minimizeBox = false;
    bool sysMenu = false;
    bool disabled = false;

    // The style of a backend that knows only popup or application window: an application window has the
    // minimise box and window menu Windows gives it, a popup neither.
    static WindowStyle PopupOrApplication(bool isPopup) { return {isPopup, !isPopup, !isPopup, false}; }
};

struct ProcessEntry {
    std::uint32_t pid = 0;
    std::string exeName; // the executable's file name as the system reports it (GBK)
};

// What tells one process from a later one that was given the same id.
struct ProcessIdentity {
    std::string exeName; // as SnapshotProcesses reports it
    // Never later than the real start (Linux counts in clock ticks, 10 ms).
    std::chrono::system_clock::time_point started;
};

// What the user can do so that the program sees the windows of others (GNOME: about our Shell extension).
enum class SightRemedy {
    None,            // nothing: the desktop shows no program the windows of others
    LogInAgain,      // the extension is installed (or updated); GNOME loads it at the next log-in
    EnableExtension, // the Shell has it but it is switched off: EnableSight() switches it on
    UpdateExtension, // the extension is older than the program or made for another GNOME version
    InstallExtension,
    ExtensionFailed, // the Shell could not run it
};

// Whether the desktop lets this program see the windows of other programs. Wayland desktops without a
// way in that we know of do not: nothing can be sampled there.
struct WindowSight {
    bool othersVisible = true;
    std::string reason; // why not, in English, for the README's reader and the log
    SightRemedy remedy = SightRemedy::None;
};

// How long the user has given no keyboard or mouse input, and whether the screen is locked.
struct UserPresence {
    std::chrono::milliseconds idle{0};
    bool locked = false;
};

// Why a backend cannot tell the idle time (the settings page shows it, so keep the cases few and real).
enum class PresenceGap {
    None,           // the idle time is available
    NoIdleProtocol, // the compositor offers no idle protocol we speak (e.g. an older sway without one)
    NoIdleService,  // the desktop's idle service is not on the session bus
    Unsupported,    // this desktop gives no program the idle time at all
};

struct PresenceSupport {
    PresenceGap gap = PresenceGap::Unsupported;
    std::string reason; // English, for the trace and the README's reader
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Visits the top-level windows in Z order from the top until visit returns false.
    virtual void EnumTopWindows(const std::function<bool(WindowId)>& visit) = 0;
    virtual bool HasOwner(WindowId w) = 0;
    virtual bool IsVisible(WindowId w) = 0;
    virtual WindowStyle GetStyle(WindowId w) = 0;
    // The window's caption as GBK, at most maxBytes bytes.
    virtual std::string GetCaption(WindowId w, std::size_t maxBytes) = 0;
    // 0 when unknown.
    virtual std::uint32_t GetProcessId(WindowId w) = 0;

    // The running processes in the system's order. Empty when no snapshot can be taken.
    virtual std::vector<ProcessEntry> SnapshotProcesses() = 0;

    // Asks the window to close and waits at most timeout for it to be handled. False when the window
    // does not exist or did not answer in time.
    virtual bool RequestClose(WindowId w, std::chrono::milliseconds timeout) = 0;
    // The process now running under pid; nothing when there is none or it cannot be inspected.
    virtual std::optional<ProcessIdentity> IdentifyProcess(std::uint32_t pid) = 0;
    // Ends the process at once (exit code 0xFFFFFFFF where the system has one). False on failure.
    virtual bool TerminateProcess(std::uint32_t pid) = 0;
    // Ends the process running under pid only when isTarget accepts its identity. The backends hold the
    // process while they look at it and end that same process, so an id handed on to another process
    // meanwhile is never hit. This fallback looks up the identity and then terminates by id, which leaves
    // such a moment open. True when the kill was made.
    virtual bool TerminateIdentified(std::uint32_t pid, const std::function<bool(const ProcessIdentity&)>& isTarget);

    // Asked once after start-up; backends that always see every window keep this answer.
    virtual WindowSight Sight() { return {}; }
    // Does what Sight() offers as SightRemedy::EnableExtension, once the user agreed. True when the windows
    // of others are visible afterwards.
    virtual bool EnableSight() { return false; }

    // Whether ReadPresence can answer on this desktop; asked when the settings page opens.
    virtual PresenceSupport Presence() {
        return {PresenceGap::Unsupported, "this desktop tells no program how long the user has been idle"};
    }
    // The user's presence now; nothing when it cannot be read at this moment (the caller then samples as
    // if the user were present: never a wrong "away"). The idle time may be less than the real one, never
    // more. A locked screen is reported with an idle time of 0 where the idle time cannot be read.
    virtual std::optional<UserPresence> ReadPresence() { return std::nullopt; }
};

// The backend of the running platform. On Linux a Wayland session (WAYLAND_DISPLAY set or XDG_SESSION_TYPE
// wayland) gets sway's IPC ($SWAYSOCK), KWin's scripting (KDE Plasma), our GNOME Shell extension (GNOME) or
// a backend that sees no window; otherwise X11 on $DISPLAY (throws when there is none).
std::unique_ptr<WindowSystem> CreateWindowSystem();

// True on a Wayland session with XWayland at hand: the program's own windows are then better X11 clients,
// which keep their positions and their place on top, and which the backends recognise as ours.
bool OwnWindowsPreferX11();

// The process-wide instance used by the program (created on first use). Tests may replace it.
WindowSystem& TheWindowSystem();
void SetWindowSystem(std::unique_ptr<WindowSystem> ws);

} // namespace vh::platform
