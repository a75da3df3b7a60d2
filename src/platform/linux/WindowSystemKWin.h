#pragma once
// KDE Plasma on Wayland: a small script of ours that KWin runs on request and that reports back over D-Bus.
#include <memory>
#include <string>

#include "platform/WindowSystem.h"

namespace vh::platform {

// The script's text for one request: action "report" (the active window), "close" or "exists" (of the
// window KWin knows by target, its internal id); it calls service back on the session bus.
std::string KWinScriptText(const std::string& service, const std::string& action, const std::string& target);

// Connects to the session bus. Throws std::runtime_error when there is none.
std::unique_ptr<WindowSystem> CreateKWinWindowSystem();

} // namespace vh::platform
