#include "platform/WindowStow.h"

#include <cstdlib>
#include <exception>
#include <string>

#include "platform/linux/WaylandSession.h"
#include "platform/linux/WindowSystemSway.h"

namespace vh::platform {

namespace {

// sway's socket when the session is sway's; the other desktops iconify.
const char* SwaySocket() {
    return DetectDesktop(&std::getenv) == LinuxDesktop::Sway ? std::getenv("SWAYSOCK") : nullptr;
}

// sway names X11 windows (ours come through XWayland) by their X11 id.
std::string Criteria(std::uintptr_t nativeWindow) {
    return "[id=" + std::to_string(nativeWindow) + "] ";
}

} // namespace

bool DesktopStowsWindows() {
    return SwaySocket() != nullptr;
}

bool StowOwnWindow(std::uintptr_t nativeWindow) {
    const char* socket = SwaySocket();
    if (!socket)
        return false;
    try {
        return RunSwayCommand(socket, Criteria(nativeWindow) + "move scratchpad");
    } catch (const std::exception&) {
        return false;
    }
}

void UnstowOwnWindow(std::uintptr_t nativeWindow) {
    const char* socket = SwaySocket();
    if (!socket)
        return;
    try {
        // "scratchpad show" hides a window that is shown already: only a stowed one is asked for.
        if (SwayScratchpadHolds(socket, nativeWindow))
            RunSwayCommand(socket, Criteria(nativeWindow) + "scratchpad show");
    } catch (const std::exception&) {
        // sway gone: the window is shown as far as Qt can.
    }
}

} // namespace vh::platform
