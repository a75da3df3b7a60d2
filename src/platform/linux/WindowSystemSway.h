#pragma once
// sway and other compositors that speak the i3 IPC: the window tree over a UNIX socket.
#include <memory>
#include <string>

#include "platform/WindowSystem.h"

namespace vh::platform {

// Window ids are sway's container ids. Throws std::runtime_error when the socket cannot be reached.
std::unique_ptr<WindowSystem> CreateSwayWindowSystem(const std::string& socketPath);

} // namespace vh::platform
