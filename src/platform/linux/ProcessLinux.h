#pragma once
// Shared by the window system backends: facts about processes from /proc, and the bounded wait that
// follows a close request.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
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
// SIGKILL to the process under pid when isTarget accepts it, through a pidfd held from before the identity
// is read until the signal: the signal reaches that process or, once it has ended, none. Kernels without
// pidfd (before 5.3) get the identity check and then kill() by id.
bool LinuxTerminateIdentified(std::uint32_t pid, const std::function<bool(const ProcessIdentity&)>& isTarget);

// Asks gone() every step until it holds (true) or timeout has passed (false): a window that does not
// answer its close request must not stall the sampler.
template <typename Gone>
bool WaitUntilGone(Gone gone, std::chrono::milliseconds timeout, std::chrono::milliseconds step) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (gone())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(step);
    }
}

} // namespace vh::platform
