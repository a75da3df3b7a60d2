// The window system under GNOME Shell on Wayland, through our Shell extension (linux/gnome): its object on the
// Shell's bus connection reports the window in front and the application windows on screen, and closes a
// window on request. While it does not answer, nothing is seen: no sample is better than a wrong one.
#include "platform/linux/WindowSystemGnome.h"

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "platform/linux/DBusCall.h"
#include "platform/linux/Json.h"
#include "platform/linux/LockedScreen.h"
#include "platform/linux/ProcessLinux.h"
#include "platform/linux/ReportedWindows.h"
#include "platform/linux/gnome/GnomeExtension.h"

namespace vh::platform {

namespace {

using dbus::Message;

constexpr const char* kShell = "org.gnome.Shell";
constexpr const char* kOurPath = "/org/varnholt/Shell";
constexpr const char* kOurInterface = "org.varnholt.Shell";
constexpr const char* kShellPath = "/org/gnome/Shell";
constexpr const char* kExtensions = "org.gnome.Shell.Extensions";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr const char* kIdleMonitor = "org.gnome.Mutter.IdleMonitor";
// The Shell answers from its main loop; a Shell that hangs must not hold the sampling tick for long.
constexpr int kCallTimeoutMs = 3000;

// The states GNOME Shell gives an extension it knows (GetExtensionInfo's "state").
enum ExtensionState { kEnabled = 1, kError = 3, kOutOfDate = 4 };

bool ReadId(DBusMessageIter& it, WindowId& id) {
    if (dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_UINT64)
        return false;
    dbus_uint64_t v = 0;
    dbus_message_iter_get_basic(&it, &v);
    id = v;
    return true;
}

// One window as the extension describes it: id, caption, wm_class, pid; the iterator ends on the pid.
template <typename Reported> bool ReadWindow(DBusMessageIter& it, WindowId& id, Reported& s) {
    std::string wmClass;
    double pid = 0;
    if (!ReadId(it, id) || !dbus_message_iter_next(&it) || !dbus::ReadString(it, s.caption) ||
        !dbus_message_iter_next(&it) || !dbus::ReadString(it, wmClass) || !dbus_message_iter_next(&it) ||
        !dbus::ReadNumber(it, pid))
        return false;
    s.pid = pid > 0 && pid <= 4294967295.0 ? static_cast<std::uint32_t>(pid) : 0;
    return true;
}

std::string DataFolder(const char* variable, const char* fallback) {
    const char* v = std::getenv(variable);
    return v && *v ? v : fallback;
}

// Our extension's folder where GNOME Shell looks for extensions (the user's first), or empty.
std::string InstalledFolder() {
    std::string dirs = DataFolder("XDG_DATA_HOME", "");
    if (dirs.empty())
        dirs = DataFolder("HOME", "/") + "/.local/share";
    dirs += ":" + DataFolder("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    std::istringstream list(dirs);
    for (std::string dir; std::getline(list, dir, ':');) {
        const std::string folder = dir + "/gnome-shell/extensions/" + gnome::kUuid;
        std::error_code ec;
        if (!dir.empty() && std::filesystem::is_regular_file(folder + "/metadata.json", ec))
            return folder;
    }
    return {};
}

// The version in the metadata of an extension folder; 0 when there is none.
unsigned FolderVersion(const std::string& folder) {
    std::ifstream in(folder + "/metadata.json", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto metadata = json::Parse(text);
    const auto version = metadata ? metadata->IntegerAt("version") : std::nullopt;
    return version && *version > 0 ? static_cast<unsigned>(*version) : 0;
}

class GnomeWindowSystem final : public ReportedWindowSystem {
public:
    GnomeWindowSystem() : bus_(dbus::ConnectSessionBus()) {}
    ~GnomeWindowSystem() override { dbus::Disconnect(bus_); }

    // The window in front first, then the application windows on screen from the top. An older extension
    // may mean something else by its answers: nothing is taken from it.
    void EnumTopWindows(const std::function<bool(WindowId)>& visit) override {
        reported_.clear();
        order_.clear();
        if (const Message front = AnsweredVersion() >= gnome::kVersion ? CallOurs("Front") : Message();
            front.Returned()) {
            DBusMessageIter it;
            WindowId id = 0;
            Reported s;
            if (dbus_message_iter_init(front.m, &it) && ReadWindow(it, id, s) && dbus_message_iter_next(&it) &&
                dbus::ReadBool(it, s.normal) && id != 0)
                Add(id, s);
            ListWindows([&](WindowId w, const Reported& listed) { Add(w, listed); });
        }
        for (const WindowId w : order_) {
            if (!visit(w))
                break;
        }
    }

    bool RequestClose(WindowId w, std::chrono::milliseconds timeout) override {
        Message call = dbus::NewCall(kShell, kOurPath, kOurInterface, "Close");
        const dbus_uint64_t id = w;
        dbus_message_append_args(call.m, DBUS_TYPE_UINT64, &id, DBUS_TYPE_INVALID);
        const Message reply = dbus::Send(bus_, call, kCallTimeoutMs);
        DBusMessageIter it;
        bool found = false;
        if (!reply.Returned() || !dbus_message_iter_init(reply.m, &it) || !dbus::ReadBool(it, found) || !found)
            return false;
        return WaitUntilGone(
            [&] {
                bool listed = false;
                return ListWindows([&](WindowId other, const Reported&) { listed = listed || other == w; }) && !listed;
            },
            timeout, std::chrono::milliseconds(50));
    }

    WindowSight Sight() override {
        if (const unsigned running = AnsweredVersion(); running != 0) {
            if (running >= gnome::kVersion)
                return {};
            // An older one runs; newer files on disk wait for the next log-in.
            if (FolderVersion(ShellExtensionInfo().path) >= gnome::kVersion)
                return {false, "GNOME Shell runs the extension's older version until the next log-in",
                        SightRemedy::LogInAgain};
            return {false, "the GNOME Shell extension is older than the program", SightRemedy::UpdateExtension};
        }
        if (!dbus::NameHasOwner(bus_, kShell))
            return {false, "GNOME Shell is not on the session bus"};
        const ExtensionInfo info = ShellExtensionInfo();
        if (info.state == 0) {
            if (!InstalledFolder().empty())
                return {false, "GNOME Shell loads the extension installed since it started at the next log-in",
                        SightRemedy::LogInAgain};
            return {false, std::string("the GNOME Shell extension ") + gnome::kUuid + " is not installed",
                    SightRemedy::InstallExtension};
        }
        switch (info.state) {
        case kOutOfDate:
            return {false, "the installed GNOME Shell extension is made for another GNOME version",
                    SightRemedy::UpdateExtension};
        case kError:
        case kEnabled:
            return {false,
                    "GNOME Shell could not run the extension: " + (info.error.empty() ? "no answer" : info.error),
                    SightRemedy::ExtensionFailed};
        default:
            return {false, "the GNOME Shell extension is switched off", SightRemedy::EnableExtension};
        }
    }

    bool EnableSight() override {
        Message call = dbus::NewCall(kShell, kShellPath, kExtensions, "EnableExtension");
        const char* uuid = gnome::kUuid;
        dbus_message_append_args(call.m, DBUS_TYPE_STRING, &uuid, DBUS_TYPE_INVALID);
        dbus::Send(bus_, call, kCallTimeoutMs);
        // Switched off as a whole, the Shell runs no extension from the enabled list.
        if (!UserExtensionsEnabled())
            EnableUserExtensions();
        // The Shell switches it on once its setting has changed, a moment later.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (AnsweredVersion() == 0) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }

    PresenceSupport Presence() override {
        try {
            if (IdleTime())
                return {PresenceGap::None, {}};
            if (dbus::NameHasOwner(bus_, kIdleMonitor))
                return {PresenceGap::NoIdleService,
                        "GNOME's idle monitor (org.gnome.Mutter.IdleMonitor) does not answer"};
        } catch (const std::exception&) {
        }
        return {PresenceGap::NoIdleService,
                "GNOME's idle monitor (org.gnome.Mutter.IdleMonitor) is not on the session bus"};
    }

    std::optional<UserPresence> ReadPresence() override {
        try {
            return PresenceOf(IdleTime(), lock_.Locked());
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }

private:
    struct ExtensionInfo {
        int state = 0; // 0: the Shell does not know it
        std::string path, error;
    };

    void Add(WindowId w, const Reported& s) {
        if (reported_.emplace(w, s).second)
            order_.push_back(w);
    }

    Message CallOurs(const char* method) {
        return dbus::Send(bus_, dbus::NewCall(kShell, kOurPath, kOurInterface, method), kCallTimeoutMs);
    }

    // Hands each listed window to take; false when the extension did not answer.
    template <typename Take> bool ListWindows(Take take) {
        const Message reply = CallOurs("Windows");
        DBusMessageIter it, list;
        if (!reply.Returned() || !dbus_message_iter_init(reply.m, &it) ||
            dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_ARRAY)
            return false;
        dbus_message_iter_recurse(&it, &list);
        for (; dbus_message_iter_get_arg_type(&list) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&list)) {
            DBusMessageIter fields;
            dbus_message_iter_recurse(&list, &fields);
            WindowId id = 0;
            Reported s;
            s.normal = true;
            if (ReadWindow(fields, id, s))
                take(id, s);
        }
        return true;
    }

    // The version the running extension reports; 0 when none answers.
    unsigned AnsweredVersion() {
        const Message reply = CallOurs("Version");
        DBusMessageIter it;
        double version = 0;
        if (!reply.Returned() || !dbus_message_iter_init(reply.m, &it) || !dbus::ReadNumber(it, version))
            return 0;
        return version > 0 ? static_cast<unsigned>(version) : 0;
    }

    ExtensionInfo ShellExtensionInfo() {
        Message call = dbus::NewCall(kShell, kShellPath, kExtensions, "GetExtensionInfo");
        const char* uuid = gnome::kUuid;
        dbus_message_append_args(call.m, DBUS_TYPE_STRING, &uuid, DBUS_TYPE_INVALID);
        const Message reply = dbus::Send(bus_, call, kCallTimeoutMs);
        ExtensionInfo info;
        DBusMessageIter it, dict;
        if (!reply.Returned() || !dbus_message_iter_init(reply.m, &it) ||
            dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_ARRAY)
            return info;
        dbus_message_iter_recurse(&it, &dict);
        for (; dbus_message_iter_get_arg_type(&dict) == DBUS_TYPE_DICT_ENTRY; dbus_message_iter_next(&dict)) {
            DBusMessageIter entry;
            dbus_message_iter_recurse(&dict, &entry);
            std::string key;
            if (!dbus::ReadString(entry, key) || !dbus_message_iter_next(&entry))
                continue;
            DBusMessageIter value = dbus::Unwrap(entry);
            double state = 0;
            if (key == "state" && dbus::ReadNumber(value, state))
                info.state = static_cast<int>(state);
            else if (key == "path")
                dbus::ReadString(value, info.path);
            else if (key == "error")
                dbus::ReadString(value, info.error);
        }
        return info;
    }

    // Milliseconds since the last input Mutter saw (an unsigned 64-bit number).
    std::optional<std::chrono::milliseconds> IdleTime() {
        const Message reply = dbus::Send(
            bus_, dbus::NewCall(kIdleMonitor, "/org/gnome/Mutter/IdleMonitor/Core", kIdleMonitor, "GetIdletime"),
            kPresenceCallTimeoutMs);
        DBusMessageIter it;
        double ms = 0;
        if (!reply.Returned() || !dbus_message_iter_init(reply.m, &it) || !dbus::ReadNumber(it, ms) || ms < 0)
            return std::nullopt;
        return std::chrono::milliseconds(static_cast<long long>(ms));
    }

    // A call about the Shell's switch for all extensions but its own, its name given.
    Message UserExtensionsCall(const char* method) {
        Message call = dbus::NewCall(kShell, kShellPath, kProperties, method);
        const char* iface = kExtensions;
        const char* name = "UserExtensionsEnabled";
        dbus_message_append_args(call.m, DBUS_TYPE_STRING, &iface, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
        return call;
    }

    bool UserExtensionsEnabled() {
        const Message reply = dbus::Send(bus_, UserExtensionsCall("Get"), kCallTimeoutMs);
        DBusMessageIter it;
        bool enabled = true;
        if (reply.Returned() && dbus_message_iter_init(reply.m, &it)) {
            DBusMessageIter value = dbus::Unwrap(it);
            dbus::ReadBool(value, enabled);
        }
        return enabled;
    }

    void EnableUserExtensions() {
        Message call = UserExtensionsCall("Set");
        const dbus_bool_t on = TRUE;
        DBusMessageIter it, value;
        dbus_message_iter_init_append(call.m, &it);
        dbus_message_iter_open_container(&it, DBUS_TYPE_VARIANT, DBUS_TYPE_BOOLEAN_AS_STRING, &value);
        dbus_message_iter_append_basic(&value, DBUS_TYPE_BOOLEAN, &on);
        dbus_message_iter_close_container(&it, &value);
        dbus::Send(bus_, call, kCallTimeoutMs);
    }

    DBusConnection* bus_ = nullptr;
    LockedScreen lock_{true, bus_};
    std::vector<WindowId> order_; // of the last enumeration
};

} // namespace

std::unique_ptr<WindowSystem> CreateGnomeWindowSystem() {
    return std::make_unique<GnomeWindowSystem>();
}

} // namespace vh::platform
