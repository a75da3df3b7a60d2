// The window system under KWin (KDE Plasma on Wayland). KWin lets no client see other windows, but it runs
// scripts handed to it over D-Bus (org.kde.KWin /Scripting); ours reports the active window and closes
// windows, answering through method calls to our own connection on the session bus.
#include "platform/linux/WindowSystemKWin.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <thread>

#include "platform/linux/DBusCall.h"
#include "platform/linux/Json.h"
#include "platform/linux/LockedScreen.h"
#include "platform/linux/ProcessLinux.h"
#include "platform/linux/ReportedWindows.h"
#include "platform/linux/WaylandIdle.h"
#include "platform/linux/kwin/KWinScript.h"

namespace vh::platform {

namespace {

using Clock = std::chrono::steady_clock;
using dbus::Message;

constexpr const char* kKWin = "org.kde.KWin";
constexpr const char* kScripting = "org.kde.kwin.Scripting";
constexpr const char* kCallbackPath = "/Varnholt";
constexpr const char* kCallbackInterface = "org.varnholt.KWinReport";
// KWin runs a script within a frame or two; one that never answers must not hold the sampling tick.
constexpr auto kAnswerTimeout = std::chrono::seconds(3);
constexpr int kCallTimeoutMs = 3000;

// What the script said about one request.
struct Answer {
    bool done = false;
    std::string id, caption;
    std::uint32_t pid = 0;
    bool normal = false;
    bool found = false;
};

class KWinWindowSystem final : public ReportedWindowSystem {
public:
    KWinWindowSystem() : bus_(dbus::ConnectSessionBus()) {
        const char* unique = dbus_bus_get_unique_name(bus_);
        service_ = unique ? unique : "";
        static std::atomic<unsigned> serial{0};
        plugin_ = "varnholt-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    }

    ~KWinWindowSystem() override { dbus::Disconnect(bus_); }

    void EnumTopWindows(const std::function<bool(WindowId)>& visit) override {
        const Answer a = Run("report", "");
        if (!a.done || a.id.empty())
            return;
        WindowId w = 0;
        for (const auto& [id, internalId] : internalIds_) {
            if (internalId == a.id)
                w = id;
        }
        if (w == 0) {
            w = ++lastId_;
            // Only the windows of recent samples are ever asked about again.
            if (internalIds_.size() > 256) {
                reported_.erase(internalIds_.begin()->first);
                internalIds_.erase(internalIds_.begin());
            }
        }
        internalIds_[w] = a.id;
        reported_[w] = {a.caption, a.pid, a.normal};
        visit(w);
    }

    bool RequestClose(WindowId w, std::chrono::milliseconds timeout) override {
        const auto it = internalIds_.find(w);
        if (it == internalIds_.end())
            return false;
        const std::string target = it->second;
        const Answer closed = Run("close", target);
        if (!closed.done || !closed.found)
            return false;
        return WaitUntilGone(
            [&] {
                const Answer exists = Run("exists", target);
                return exists.done && !exists.found;
            },
            timeout, std::chrono::milliseconds(50));
    }

    WindowSight Sight() override {
        if (!dbus::NameHasOwner(bus_, kKWin))
            return {false, "KWin is not on the session bus"};
        return {};
    }

    // KWin's org.freedesktop.ScreenSaver refuses GetSessionIdleTime on Wayland; its idle protocols answer.
    PresenceSupport Presence() override { return idle_.Support(); }
    std::optional<UserPresence> ReadPresence() override { return PresenceOf(idle_.Idle(), lock_.Locked()); }

private:
    // Calls a method of KWin's scripting object with up to two text arguments; the reply, or nothing.
    Message Call(const std::string& path, const char* iface, const char* method, const std::string* s1,
                 const std::string* s2) {
        Message call = dbus::NewCall(kKWin, path, iface, method);
        for (const std::string* s : {s1, s2}) {
            const char* a = s ? s->c_str() : nullptr;
            if (a)
                dbus_message_append_args(call.m, DBUS_TYPE_STRING, &a, DBUS_TYPE_INVALID);
        }
        return dbus::Send(bus_, call, kCallTimeoutMs);
    }

    // Loads the script for one request, runs it, waits for its call back, unloads it.
    Answer Run(const std::string& action, const std::string& target) {
        if (!dbus_connection_get_is_connected(bus_))
            throw std::runtime_error("the session bus was lost");
        const std::filesystem::path file =
            std::filesystem::temp_directory_path() / (plugin_ + "-" + std::to_string(++runs_) + ".js");
        {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out << KWinScriptText(service_, action, target);
            if (!out)
                throw std::runtime_error("cannot write the KWin script");
        }
        const std::string path = file.string();
        const std::string plugin = plugin_;
        // A script left over from a request that timed out would answer twice.
        Call("/Scripting", kScripting, "unloadScript", &plugin, nullptr);
        Answer answer;
        {
            const Message loaded = Call("/Scripting", kScripting, "loadScript", &path, &plugin);
            dbus_int32_t id = -1;
            if (loaded.Returned())
                dbus_message_get_args(loaded.m, nullptr, DBUS_TYPE_INT32, &id, DBUS_TYPE_INVALID);
            if (id >= 0) {
                // KWin 5.2x and 6 name the script's object /Scripting/Script<id>; older ones /<id>.
                if (!Call("/Scripting/Script" + std::to_string(id), "org.kde.kwin.Script", "run", nullptr, nullptr)
                         .Returned())
                    Call("/" + std::to_string(id), "org.kde.kwin.Script", "run", nullptr, nullptr);
                answer = WaitForAnswer();
            }
        }
        Call("/Scripting", kScripting, "unloadScript", &plugin, nullptr);
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
        return answer;
    }

    Answer WaitForAnswer() {
        Answer a;
        const auto deadline = Clock::now() + kAnswerTimeout;
        for (;;) {
            // The call back may have come in while we waited for KWin's reply to run: it is queued already,
            // and reading from the socket would wait for more.
            while (DBusMessage* raw = dbus_connection_pop_message(bus_)) {
                Message m(raw);
                if (!a.done)
                    Take(m.m, a);
            }
            if (a.done)
                return a;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return a;
            if (!dbus_connection_read_write(bus_, static_cast<int>(left)))
                throw std::runtime_error("the session bus was lost");
        }
    }

    void Take(DBusMessage* m, Answer& a) {
        if (dbus_message_get_type(m) != DBUS_MESSAGE_TYPE_METHOD_CALL)
            return;
        Reply(m);
        if (!dbus_message_has_path(m, kCallbackPath) || !dbus_message_has_interface(m, kCallbackInterface))
            return;
        DBusMessageIter it;
        if (!dbus_message_iter_init(m, &it))
            return;
        if (dbus_message_has_member(m, "Report")) {
            double pid = 0;
            if (dbus::ReadString(it, a.id) && dbus_message_iter_next(&it) && dbus::ReadString(it, a.caption) &&
                dbus_message_iter_next(&it) && dbus::ReadNumber(it, pid) && dbus_message_iter_next(&it) &&
                dbus::ReadBool(it, a.normal)) {
                a.pid = pid > 0 && pid <= 4294967295.0 ? static_cast<std::uint32_t>(pid) : 0;
                a.done = true;
            }
        } else if (dbus_message_has_member(m, "Done")) {
            a.done = dbus::ReadBool(it, a.found);
        }
    }

    // Every call gets an empty answer, so callDBus in KWin does not wait for a timeout.
    void Reply(DBusMessage* call) {
        if (dbus_message_get_no_reply(call))
            return;
        Message r(dbus_message_new_method_return(call));
        if (r.m)
            dbus_connection_send(bus_, r.m, nullptr);
        dbus_connection_flush(bus_);
    }

    DBusConnection* bus_ = nullptr;
    WaylandIdle idle_;
    LockedScreen lock_{false, bus_};
    std::string service_, plugin_;
    unsigned runs_ = 0;
    std::map<WindowId, std::string> internalIds_; // KWin's id of each window reported
    WindowId lastId_ = 0;
};

} // namespace

std::string KWinScriptText(const std::string& service, const std::string& action, const std::string& target) {
    return "var request = {service: " + json::Quote(service) + ", action: " + json::Quote(action) +
           ", target: " + json::Quote(target) + "};\n" + kwin::kScriptText;
}

std::unique_ptr<WindowSystem> CreateKWinWindowSystem() {
    return std::make_unique<KWinWindowSystem>();
}

} // namespace vh::platform
