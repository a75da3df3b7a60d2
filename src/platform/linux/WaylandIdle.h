#pragma once
// The user's idle time from the compositor's idle protocol (ext-idle-notify-v1, else KDE's org_kde_kwin_idle),
// on a Wayland connection of our own to $WAYLAND_DISPLAY kept for the object's life. Our windows may be X11
// clients through XWayland; this connection is apart from them.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/WindowSystem.h"

namespace vh::platform {

class WaylandIdle {
public:
    // The protocols only say "idle for at least T" and "active again", and events are read only when asked, so
    // several timeouts are registered: the idle time is the longest that has passed, plus the time since that
    // was read. Empty: the default ladder (1 s, then whole minutes up to two hours).
    explicit WaylandIdle(std::vector<std::chrono::milliseconds> timeouts = {});
    ~WaylandIdle();
    WaylandIdle(const WaylandIdle&) = delete;
    WaylandIdle& operator=(const WaylandIdle&) = delete;

    // Connects when not connected yet.
    PresenceSupport Support();
    // Reads what the compositor has sent, without waiting. Nothing without a connection or an idle protocol.
    std::optional<std::chrono::milliseconds> Idle();
    // The protocol in use ("ext-idle-notify-v1", "org_kde_kwin_idle"), or "" while there is none.
    std::string Protocol() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace vh::platform
