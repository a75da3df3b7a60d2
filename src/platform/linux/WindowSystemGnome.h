#pragma once
// GNOME on Wayland: GNOME Shell shows other programs' windows only to its extensions, and ours answers on
// the session bus.
#include <memory>

#include "platform/WindowSystem.h"

namespace vh::platform {

// Window ids are the Shell's own. Connects to the session bus; throws std::runtime_error when there is none.
// Works whether or not the extension answers now: while it does not, nothing is seen and Sight() says why.
std::unique_ptr<WindowSystem> CreateGnomeWindowSystem();

} // namespace vh::platform
