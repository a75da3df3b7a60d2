#pragma once
// Facts about processes from /proc, shared by the window system backends.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/WindowSystem.h"

namespace vh::platform {

// The file name of /proc/PID/exe, else the kernel's short name (UTF-8); empty when the process is gone.
std::string LinuxProcessName(std::uint32_t pid);
// The numeric entries of /proc in ascending order with their names (GBK); ended processes are left out.
std::vector<ProcessEntry> LinuxProcessSnapshot();
// SIGKILL; refuses the ids that would address a process group or every process.
bool LinuxTerminateProcess(std::uint32_t pid);
// Name (GBK) and start of the process now running under pid.
std::optional<ProcessIdentity> LinuxProcessIdentity(std::uint32_t pid);

} // namespace vh::platform
