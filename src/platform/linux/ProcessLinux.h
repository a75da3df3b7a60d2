#pragma once
// Facts about processes from /proc, shared by the window system backend.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/WindowSystem.h"

namespace vh::platform {

// The file name of /proc/PID/exe, else the kernel's short name (UTF-8); empty when the process is gone.
std::string LinuxProcessName(std::uint32_t pid);
// Name (GBK) and start of the process now running under pid.
std::optional<ProcessIdentity> LinuxProcessIdentity(std::uint32_t pid);

} // namespace vh::platform
