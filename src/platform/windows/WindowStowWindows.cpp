#include "platform/WindowStow.h"

namespace vh::platform {

// Windows minimises a window to its taskbar button and gives the focus to the next window.
bool DesktopStowsWindows() {
    return false;
}

bool StowOwnWindow(std::uintptr_t) {
    return false;
}

void UnstowOwnWindow(std::uintptr_t) {}

} // namespace vh::platform
