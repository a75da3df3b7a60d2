#include "platform/linux/WaylandSession.h"

#include <cstdlib>
#include <exception>
#include <string_view>

#include "platform/linux/ProcessLinux.h"
#include "platform/linux/WindowSystemGnome.h"
#include "platform/linux/WindowSystemKWin.h"
#include "platform/linux/WindowSystemSway.h"
#include "platform/linux/WindowSystemX11.h"

namespace vh::platform {

namespace {

bool Set(const char* v) {
    return v && *v;
}

// XDG_CURRENT_DESKTOP is a colon-separated list such as "KDE" or "ubuntu:GNOME".
bool ListHas(const char* list, std::string_view name) {
    if (!list)
        return false;
    std::string_view rest(list);
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const std::string_view item = rest.substr(0, colon);
        if (item.size() == name.size()) {
            bool same = true;
            for (std::size_t i = 0; i < item.size() && same; ++i)
                same = (item[i] | 0x20) == (name[i] | 0x20);
            if (same)
                return true;
        }
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    return false;
}

class BlindWindowSystem final : public WindowSystem {
public:
    explicit BlindWindowSystem(std::string reason) : reason_(std::move(reason)) {}

    void EnumTopWindows(const std::function<bool(WindowId)>&) override {}
    bool HasOwner(WindowId) override { return false; }
    bool IsVisible(WindowId) override { return false; }
    WindowStyle GetStyle(WindowId) override { return {}; }
    std::string GetCaption(WindowId, std::size_t) override { return {}; }
    std::uint32_t GetProcessId(WindowId) override { return 0; }
    std::vector<ProcessEntry> SnapshotProcesses() override { return LinuxProcessSnapshot(); }
    bool RequestClose(WindowId, std::chrono::milliseconds) override { return false; }
    std::optional<ProcessIdentity> IdentifyProcess(std::uint32_t pid) override { return LinuxProcessIdentity(pid); }
    bool TerminateProcess(std::uint32_t pid) override { return LinuxTerminateProcess(pid); }
    bool TerminateIdentified(std::uint32_t pid, const std::function<bool(const ProcessIdentity&)>& isTarget) override {
        return LinuxTerminateIdentified(pid, isTarget);
    }
    WindowSight Sight() override { return {false, reason_}; }

private:
    std::string reason_;
};

} // namespace

LinuxDesktop DetectDesktop(const EnvReader& env) {
    const char* type = env("XDG_SESSION_TYPE");
    const bool wayland = Set(env("WAYLAND_DISPLAY")) || (type && std::string_view(type) == "wayland");
    if (!wayland)
        return LinuxDesktop::X11;
    if (Set(env("SWAYSOCK")))
        return LinuxDesktop::Sway;
    const char* desktop = env("XDG_CURRENT_DESKTOP");
    if (ListHas(desktop, "KDE") || Set(env("KDE_FULL_SESSION")))
        return LinuxDesktop::KWin;
    if (ListHas(desktop, "GNOME"))
        return LinuxDesktop::Gnome;
    return LinuxDesktop::OtherWayland;
}

std::unique_ptr<WindowSystem> CreateBlindWindowSystem(std::string reason) {
    return std::make_unique<BlindWindowSystem>(std::move(reason));
}

std::unique_ptr<WindowSystem> CreateWindowSystem() {
    switch (DetectDesktop(&std::getenv)) {
    case LinuxDesktop::X11:
        break;
    case LinuxDesktop::Sway:
        return CreateSwayWindowSystem(std::getenv("SWAYSOCK"));
    case LinuxDesktop::KWin:
        try {
            return CreateKWinWindowSystem();
        } catch (const std::exception&) {
            return CreateBlindWindowSystem("KWin is reached over the session bus, and there is none");
        }
    case LinuxDesktop::Gnome:
        try {
            return CreateGnomeWindowSystem();
        } catch (const std::exception&) {
            return CreateBlindWindowSystem("GNOME Shell is reached over the session bus, and there is none");
        }
    case LinuxDesktop::OtherWayland:
        return CreateBlindWindowSystem("this Wayland compositor lets no program see the windows of others");
    }
    return CreateX11WindowSystem("");
}

bool OwnWindowsPreferX11() {
    const char* display = std::getenv("DISPLAY");
    return DetectDesktop(&std::getenv) != LinuxDesktop::X11 && display && *display;
}

} // namespace vh::platform
