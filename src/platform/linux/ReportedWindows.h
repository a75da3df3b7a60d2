#pragma once
// The part of a Wayland backend whose compositor reports windows (KWin running our script, GNOME Shell
// running our extension) instead of being asked about each: what the last report said, and /proc for the
// processes.
#include <map>
#include <string>

#include "platform/Text.h"
#include "platform/WindowSystem.h"
#include "platform/linux/ProcessLinux.h"

namespace vh::platform {

class ReportedWindowSystem : public WindowSystem {
public:
    // The report's flag for application windows covers dialogs kept for another window.
    bool HasOwner(WindowId) override { return false; }
    bool IsVisible(WindowId w) override { return reported_.count(w) != 0; }

    WindowStyle GetStyle(WindowId w) override {
        const auto it = reported_.find(w);
        return WindowStyle::PopupOrApplication(it == reported_.end() || !it->second.normal);
    }

    std::string GetCaption(WindowId w, std::size_t maxBytes) override {
        const auto it = reported_.find(w);
        return it == reported_.end() ? std::string()
                                     : text::CutBytesWhole(text::Utf8ToGbk(it->second.caption), maxBytes);
    }

    std::uint32_t GetProcessId(WindowId w) override {
        const auto it = reported_.find(w);
        return it == reported_.end() ? 0 : it->second.pid;
    }

    std::vector<ProcessEntry> SnapshotProcesses() override { return LinuxProcessSnapshot(); }
    std::optional<ProcessIdentity> IdentifyProcess(std::uint32_t pid) override { return LinuxProcessIdentity(pid); }
    bool TerminateProcess(std::uint32_t pid) override { return LinuxTerminateProcess(pid); }
    bool TerminateIdentified(std::uint32_t pid, const std::function<bool(const ProcessIdentity&)>& isTarget) override {
        return LinuxTerminateIdentified(pid, isTarget);
    }

protected:
    struct Reported {
        std::string caption; // UTF-8
        std::uint32_t pid = 0;
        bool normal = false; // an application window
    };
    std::map<WindowId, Reported> reported_;
};

} // namespace vh::platform
