#pragma once
// Which desktop the program runs on, decided once from the session's environment.
#include <functional>
#include <memory>
#include <string>

#include "platform/WindowSystem.h"

namespace vh::platform {

enum class LinuxDesktop {
    X11,          // no Wayland session: the X server shows every window
    Sway,         // sway or another compositor speaking the i3 IPC ($SWAYSOCK)
    KWin,         // KDE Plasma on Wayland: KWin runs our script
    Gnome,        // GNOME on Wayland: GNOME Shell runs our extension
    OtherWayland, // the rest: no way to see other programs' windows
};

using EnvReader = std::function<const char*(const char*)>;

// A Wayland session is one with WAYLAND_DISPLAY set or XDG_SESSION_TYPE=wayland.
LinuxDesktop DetectDesktop(const EnvReader& env);

// A backend that sees no window (it still lists and ends processes); Sight() gives the reason.
std::unique_ptr<WindowSystem> CreateBlindWindowSystem(std::string reason);

} // namespace vh::platform
