#pragma once
// The X11 backend, reachable by display name for tests that run their own X servers.
#include <memory>
#include <string>

#include "platform/WindowSystem.h"

namespace vh::platform {

// Connects to the given display ("" for $DISPLAY). Throws std::runtime_error when it cannot.
std::unique_ptr<WindowSystem> CreateX11WindowSystem(const std::string& displayName);

} // namespace vh::platform
