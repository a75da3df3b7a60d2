#pragma once
// Putting our main window out of the way where there is no tray to hide it in and iconifying does nothing:
// sway has no minimised state and leaves an iconified window in front, with the focus; its scratchpad is
// the place instead.
#include <cstdint>

namespace vh::platform {

// Whether the desktop keeps windows out of sight in a place of its own instead of iconifying them. False
// where iconifying is the way (X11 window managers, GNOME, KDE Plasma, Windows).
bool DesktopStowsWindows();
// Moves our own top-level window (its native id) there. False when that failed, also for a window shown a
// moment ago that the desktop does not manage yet.
bool StowOwnWindow(std::uintptr_t nativeWindow);
// Brings a window stowed that way back into view; does nothing to a window that is not stowed.
void UnstowOwnWindow(std::uintptr_t nativeWindow);

} // namespace vh::platform
