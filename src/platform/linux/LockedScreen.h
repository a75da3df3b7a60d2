#pragma once
// Whether the screen is locked, for every Linux backend: logind's LockedHint of our login session on the system
// bus where logind runs, else the desktop's screen saver service on the session bus.
#include <dbus/dbus.h>

#include <chrono>
#include <optional>
#include <string>

#include "platform/WindowSystem.h"

namespace vh::platform {

// A D-Bus call made for the user's presence holds the sampling tick at most this long.
inline constexpr int kPresenceCallTimeoutMs = 500;

class LockedScreen {
public:
    // gnomeFirst: GNOME's own screen saver interface is asked before the freedesktop one. sessionBus, when
    // given, is borrowed (the backend's own connection); otherwise one is made when first needed.
    explicit LockedScreen(bool gnomeFirst, DBusConnection* sessionBus = nullptr);
    ~LockedScreen();
    LockedScreen(const LockedScreen&) = delete;
    LockedScreen& operator=(const LockedScreen&) = delete;

    // Nothing when no source answers.
    std::optional<bool> Locked();

private:
    std::optional<bool> FromLogind();
    std::optional<bool> FromScreenSaver();
    // A connection made here that went away, or none: one new try, and after a failure none for a while (a
    // bus that accepts but does not answer would hold every tick).
    DBusConnection* Usable(DBusConnection*& bus, std::chrono::steady_clock::time_point& nextTry, bool system);

    bool gnomeFirst_;
    DBusConnection* borrowed_ = nullptr;
    DBusConnection* system_ = nullptr;
    DBusConnection* session_ = nullptr;
    std::chrono::steady_clock::time_point nextSystemTry_{}, nextSessionTry_{};
    std::string sessionPath_; // our login session's object, once found
};

// What a backend answers: the idle time with the lock state (unknown counts as unlocked), a locked screen
// alone, or nothing.
std::optional<UserPresence> PresenceOf(std::optional<std::chrono::milliseconds> idle, std::optional<bool> locked);

} // namespace vh::platform
