#pragma once
// sway and other compositors that speak the i3 IPC: the window tree over a UNIX socket.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/WindowSystem.h"

namespace vh::platform {

// Window ids are sway's container ids. Throws std::runtime_error when the socket cannot be reached.
std::unique_ptr<WindowSystem> CreateSwayWindowSystem(const std::string& socketPath);

// Runs one sway command; true when sway ran it. Throws std::runtime_error when sway cannot be reached.
bool RunSwayCommand(const std::string& socketPath, const std::string& command);
// Whether sway keeps the X11 window xid hidden in its scratchpad now.
bool SwayScratchpadHolds(const std::string& socketPath, std::uint64_t xid);

} // namespace vh::platform
