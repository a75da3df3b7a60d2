// The window system under KWin (KDE Plasma on Wayland). KWin lets no client see other windows, but it runs
// scripts handed to it over D-Bus (org.kde.KWin /Scripting); ours reports the active window and closes
// windows, answering through method calls to our own connection on the session bus.
#include "platform/linux/WindowSystemKWin.h"

#include <dbus/dbus.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <thread>

#include "platform/Text.h"
#include "platform/linux/Json.h"
#include "platform/linux/ProcessLinux.h"
#include "platform/linux/kwin/KWinScript.h"

namespace vh::platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kKWin = "org.kde.KWin";
constexpr const char* kScripting = "org.kde.kwin.Scripting";
constexpr const char* kCallbackPath = "/Varnholt";
constexpr const char* kCallbackInterface = "org.varnholt.KWinReport";
// KWin runs a script within a frame or two; one that never answers must not hold the sampling tick.
constexpr auto kAnswerTimeout = std::chrono::seconds(3);
constexpr int kCallTimeoutMs = 3000;

struct Message {
    DBusMessage* m = nullptr;
    explicit Message(DBusMessage* msg) : m(msg) {}
    ~Message() {
        if (m)
            dbus_message_unref(m);
    }
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;
};

// What the script said about one request.
struct Answer {
    bool done = false;
    std::string id, caption;
    std::uint32_t pid = 0;
    bool normal = false;
    bool found = false;
};

// D-Bus numbers from a script arrive as doubles; accept any numeric type.
bool ReadNumber(DBusMessageIter& it, double& out) {
    switch (dbus_message_iter_get_arg_type(&it)) {
    case DBUS_TYPE_DOUBLE: {
        double v = 0;
        dbus_message_iter_get_basic(&it, &v);
        out = v;
        return true;
    }
    case DBUS_TYPE_INT32: {
        dbus_int32_t v = 0;
        dbus_message_iter_get_basic(&it, &v);
        out = v;
        return true;
    }
    case DBUS_TYPE_UINT32: {
        dbus_uint32_t v = 0;
        dbus_message_iter_get_basic(&it, &v);
        out = v;
        return true;
    }
    case DBUS_TYPE_INT64: {
        dbus_int64_t v = 0;
        dbus_message_iter_get_basic(&it, &v);
        out = static_cast<double>(v);
        return true;
    }
    default:
        return false;
    }
}

bool ReadString(DBusMessageIter& it, std::string& out) {
    if (dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_STRING)
        return false;
    const char* s = nullptr;
    dbus_message_iter_get_basic(&it, &s);
    out = s ? s : "";
    return true;
}

bool ReadBool(DBusMessageIter& it, bool& out) {
    if (dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_BOOLEAN)
        return false;
    dbus_bool_t v = 0;
    dbus_message_iter_get_basic(&it, &v);
    out = v != 0;
    return true;
}

class KWinWindowSystem final : public WindowSystem {
public:
    KWinWindowSystem() {
        DBusError err;
        dbus_error_init(&err);
        bus_ = dbus_bus_get_private(DBUS_BUS_SESSION, &err);
        if (!bus_) {
            dbus_error_free(&err);
            throw std::runtime_error("no session bus");
        }
        dbus_connection_set_exit_on_disconnect(bus_, FALSE);
        const char* unique = dbus_bus_get_unique_name(bus_);
        service_ = unique ? unique : "";
        static std::atomic<unsigned> serial{0};
        plugin_ = "varnholt-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    }

    ~KWinWindowSystem() override {
        if (bus_) {
            dbus_connection_close(bus_);
            dbus_connection_unref(bus_);
        }
    }

    void EnumTopWindows(const std::function<bool(WindowId)>& visit) override {
        const Answer a = Run("report", "");
        if (!a.done || a.id.empty())
            return;
        Known k{a.id, a.caption, a.pid, a.normal};
        WindowId w = 0;
        for (const auto& [id, known] : known_) {
            if (known.internalId == a.id)
                w = id;
        }
        if (w == 0) {
            w = ++lastId_;
            // Only the windows of recent samples are ever asked about again.
            if (known_.size() > 256)
                known_.erase(known_.begin());
        }
        known_[w] = k;
        visit(w);
    }

    bool HasOwner(WindowId) override { return false; }
    bool IsVisible(WindowId w) override { return known_.count(w) != 0; }

    WindowStyle GetStyle(WindowId w) override {
        const auto it = known_.find(w);
        const bool popup = it == known_.end() || !it->second.normal;
        return WindowStyle::PopupOrApplication(popup);
    }

    std::string GetCaption(WindowId w, std::size_t maxBytes) override {
        const auto it = known_.find(w);
        return it == known_.end() ? std::string() : text::CutBytesWhole(text::Utf8ToGbk(it->second.caption), maxBytes);
    }

    std::uint32_t GetProcessId(WindowId w) override {
        const auto it = known_.find(w);
        return it == known_.end() ? 0 : it->second.pid;
    }

    std::vector<ProcessEntry> SnapshotProcesses() override { return LinuxProcessSnapshot(); }

    bool RequestClose(WindowId w, std::chrono::milliseconds timeout) override {
        const auto it = known_.find(w);
        if (it == known_.end())
            return false;
        const std::string target = it->second.internalId;
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

    std::optional<ProcessIdentity> IdentifyProcess(std::uint32_t pid) override { return LinuxProcessIdentity(pid); }
    bool TerminateProcess(std::uint32_t pid) override { return LinuxTerminateProcess(pid); }

    WindowSight Sight() override {
        DBusError err;
        dbus_error_init(&err);
        const bool there = dbus_bus_name_has_owner(bus_, kKWin, &err);
        dbus_error_free(&err);
        if (!there)
            return {false, "KWin is not on the session bus"};
        return {};
    }

private:
    struct Known {
        std::string internalId, caption;
        std::uint32_t pid = 0;
        bool normal = false;
    };

    // Calls a method of KWin's scripting object; the reply, or nullptr.
    DBusMessage* Call(const std::string& path, const char* iface, const char* method, const std::string* s1,
                      const std::string* s2) {
        Message call(dbus_message_new_method_call(kKWin, path.c_str(), iface, method));
        if (!call.m)
            throw std::runtime_error("out of memory");
        const char* a1 = s1 ? s1->c_str() : nullptr;
        const char* a2 = s2 ? s2->c_str() : nullptr;
        if (a1)
            dbus_message_append_args(call.m, DBUS_TYPE_STRING, &a1, DBUS_TYPE_INVALID);
        if (a2)
            dbus_message_append_args(call.m, DBUS_TYPE_STRING, &a2, DBUS_TYPE_INVALID);
        DBusError err;
        dbus_error_init(&err);
        DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus_, call.m, kCallTimeoutMs, &err);
        dbus_error_free(&err);
        return reply;
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
        Message(Call("/Scripting", kScripting, "unloadScript", &plugin, nullptr));
        Answer answer;
        {
            Message loaded(Call("/Scripting", kScripting, "loadScript", &path, &plugin));
            dbus_int32_t id = -1;
            if (loaded.m && dbus_message_get_type(loaded.m) == DBUS_MESSAGE_TYPE_METHOD_RETURN)
                dbus_message_get_args(loaded.m, nullptr, DBUS_TYPE_INT32, &id, DBUS_TYPE_INVALID);
            if (id >= 0) {
                // KWin 5.2x and 6 name the script's object /Scripting/Script<id>; older ones /<id>.
                Message ran(
                    Call("/Scripting/Script" + std::to_string(id), "org.kde.kwin.Script", "run", nullptr, nullptr));
                if (!ran.m || dbus_message_get_type(ran.m) != DBUS_MESSAGE_TYPE_METHOD_RETURN)
                    Message(Call("/" + std::to_string(id), "org.kde.kwin.Script", "run", nullptr, nullptr));
                answer = WaitForAnswer();
            }
        }
        Message(Call("/Scripting", kScripting, "unloadScript", &plugin, nullptr));
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
            if (ReadString(it, a.id) && dbus_message_iter_next(&it) && ReadString(it, a.caption) &&
                dbus_message_iter_next(&it) && ReadNumber(it, pid) && dbus_message_iter_next(&it) &&
                ReadBool(it, a.normal)) {
                a.pid = pid > 0 && pid <= 4294967295.0 ? static_cast<std::uint32_t>(pid) : 0;
                a.done = true;
            }
        } else if (dbus_message_has_member(m, "Done")) {
            a.done = ReadBool(it, a.found);
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
    std::string service_, plugin_;
    unsigned runs_ = 0;
    std::map<WindowId, Known> known_;
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
