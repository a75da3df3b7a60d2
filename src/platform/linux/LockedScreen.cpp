#include "platform/linux/LockedScreen.h"

#include <unistd.h>

#include <exception>

#include "platform/linux/DBusCall.h"

namespace vh::platform {

namespace {

// logind, and the session it gives a caller that names none.
constexpr const char* kLogin = "org.freedesktop.login1";
constexpr const char* kAutoSession = "/org/freedesktop/login1/session/auto";
constexpr auto kRetryAfterFailure = std::chrono::minutes(1);

using Clock = std::chrono::steady_clock;
using dbus::Message;

struct ScreenSaver {
    const char* name;
    const char* path;
    const char* interface;
};
// KDE answers on both paths; other desktops on one of them.
constexpr ScreenSaver kGnome{"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver"};
constexpr ScreenSaver kFreedesktop{"org.freedesktop.ScreenSaver", "/ScreenSaver", "org.freedesktop.ScreenSaver"};
constexpr ScreenSaver kFreedesktopLong{"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                       "org.freedesktop.ScreenSaver"};

std::optional<bool> BoolReply(const Message& reply) {
    DBusMessageIter it;
    if (!reply.Returned() || !dbus_message_iter_init(reply.m, &it))
        return std::nullopt;
    DBusMessageIter value = dbus::Unwrap(it);
    bool b = false;
    if (!dbus::ReadBool(value, b))
        return std::nullopt;
    return b;
}

} // namespace

LockedScreen::LockedScreen(bool gnomeFirst, DBusConnection* sessionBus)
    : gnomeFirst_(gnomeFirst), borrowed_(sessionBus) {}

LockedScreen::~LockedScreen() {
    dbus::Disconnect(system_);
    dbus::Disconnect(session_);
}

std::optional<bool> LockedScreen::Locked() {
    try {
        if (const auto hint = FromLogind())
            return hint;
        return FromScreenSaver();
    } catch (const std::exception&) {
        // A bus lost between the check and the call: the next read connects again.
        return std::nullopt;
    }
}

DBusConnection* LockedScreen::Usable(DBusConnection*& bus, Clock::time_point& nextTry, bool system) {
    if (bus && dbus_connection_get_is_connected(bus))
        return bus;
    dbus::Disconnect(bus);
    bus = nullptr;
    const auto now = Clock::now();
    if (now < nextTry)
        return nullptr;
    try {
        bus = system ? dbus::ConnectSystemBus() : dbus::ConnectSessionBus();
    } catch (const std::exception&) {
        nextTry = now + kRetryAfterFailure;
    }
    return bus;
}

std::optional<bool> LockedScreen::FromLogind() {
    DBusConnection* bus = Usable(system_, nextSystemTry_, true);
    if (!bus)
        return std::nullopt;
    if (!sessionPath_.empty()) {
        if (const auto hint = BoolReply(dbus::GetProperty(bus, kLogin, sessionPath_, "org.freedesktop.login1.Session",
                                                          "LockedHint", kPresenceCallTimeoutMs)))
            return hint;
        // The session ended, or logind went away: look again next time.
        sessionPath_.clear();
        return std::nullopt;
    }
    // Our process's session; a program started outside one (a user service) gets the user's graphical one.
    std::string path = kAutoSession;
    Message call =
        dbus::NewCall(kLogin, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "GetSessionByPID");
    const dbus_uint32_t pid = static_cast<dbus_uint32_t>(::getpid());
    dbus_message_append_args(call.m, DBUS_TYPE_UINT32, &pid, DBUS_TYPE_INVALID);
    if (const Message reply = dbus::Send(bus, call, kPresenceCallTimeoutMs); reply.Returned()) {
        DBusMessageIter it;
        std::string found;
        if (dbus_message_iter_init(reply.m, &it) && dbus::ReadString(it, found) && !found.empty())
            path = found;
    }
    const auto hint = BoolReply(
        dbus::GetProperty(bus, kLogin, path, "org.freedesktop.login1.Session", "LockedHint", kPresenceCallTimeoutMs));
    if (hint)
        sessionPath_ = path;
    return hint;
}

std::optional<bool> LockedScreen::FromScreenSaver() {
    DBusConnection* bus = borrowed_ ? borrowed_ : Usable(session_, nextSessionTry_, false);
    if (!bus)
        return std::nullopt;
    const ScreenSaver gnomeOrder[] = {kGnome, kFreedesktop, kFreedesktopLong};
    const ScreenSaver otherOrder[] = {kFreedesktop, kFreedesktopLong, kGnome};
    // A name nobody owns fails at once (nothing is started for it), so asking each in turn costs little.
    for (const ScreenSaver& s : gnomeFirst_ ? gnomeOrder : otherOrder) {
        if (const auto active = BoolReply(
                dbus::Send(bus, dbus::NewCall(s.name, s.path, s.interface, "GetActive"), kPresenceCallTimeoutMs)))
            return active;
    }
    return std::nullopt;
}

std::optional<UserPresence> PresenceOf(std::optional<std::chrono::milliseconds> idle, std::optional<bool> locked) {
    if (idle)
        return UserPresence{*idle, locked.value_or(false)};
    if (locked.value_or(false))
        return UserPresence{std::chrono::milliseconds(0), true};
    return std::nullopt;
}

} // namespace vh::platform
