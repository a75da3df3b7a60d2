#include "support/FakeLogind.h"

#include <dbus/dbus.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vh::test {

namespace {

constexpr const char* kLogin = "org.freedesktop.login1";
constexpr const char* kOurSession = "/org/freedesktop/login1/session/_32";
constexpr const char* kAutoSession = "/org/freedesktop/login1/session/auto";

void ReplyError(DBusConnection* c, DBusMessage* call, const char* name, const char* text) {
    DBusMessage* e = dbus_message_new_error(call, name, text);
    dbus_connection_send(c, e, nullptr);
    dbus_message_unref(e);
}

} // namespace

FakeLogind::FakeLogind(bool inSession) : inSession_(inSession), folders_(MakeDesktopFolders("vh-logind")) {
    const std::string config = folders_.dir + "/bus.conf";
    std::ofstream(config) << PrivateBusConfig(folders_.runtimeDir + "/system-bus");
    chmod(config.c_str(), 0644);
    bus_ =
        SpawnAsDesktopUserWithOutput({"dbus-daemon", "--nofork", "--print-address=1", "--config-file=" + config}, {});
    if (!bus_.ReadLine(address_, std::chrono::seconds(10)) || address_.empty())
        throw std::runtime_error("no private system bus");

    DBusError err;
    dbus_error_init(&err);
    DBusConnection* c = dbus_connection_open_private(address_.c_str(), &err);
    if (!c || !dbus_bus_register(c, &err) ||
        dbus_bus_request_name(c, kLogin, DBUS_NAME_FLAG_DO_NOT_QUEUE, &err) != DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
        dbus_error_free(&err);
        if (c) {
            dbus_connection_close(c);
            dbus_connection_unref(c);
        }
        throw std::runtime_error("cannot own org.freedesktop.login1 on the private bus");
    }
    if (const char* a = std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) {
        hadAddress_ = true;
        savedAddress_ = a;
    }
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
    server_ = std::thread([this, c] { Serve(c); });
}

FakeLogind::~FakeLogind() {
    stop_ = true;
    server_.join();
    if (hadAddress_)
        setenv("DBUS_SYSTEM_BUS_ADDRESS", savedAddress_.c_str(), 1);
    else
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    bus_.Stop();
    std::error_code ignored;
    std::filesystem::remove_all(folders_.dir, ignored);
}

std::string FakeLogind::LastSessionPath() const {
    std::lock_guard<std::mutex> lock(pathMutex_);
    return lastPath_;
}

void FakeLogind::Serve(void* connection) {
    auto* c = static_cast<DBusConnection*>(connection);
    while (!stop_ && dbus_connection_read_write(c, 50)) {
        while (DBusMessage* m = dbus_connection_pop_message(c)) {
            if (dbus_message_get_type(m) != DBUS_MESSAGE_TYPE_METHOD_CALL) {
                dbus_message_unref(m);
                continue;
            }
            const char* path = dbus_message_get_path(m);
            const bool sessionPath =
                path && ((inSession_ && std::strcmp(path, kOurSession) == 0) || std::strcmp(path, kAutoSession) == 0);
            const char* s1 = nullptr;
            const char* s2 = nullptr;
            dbus_uint32_t pid = 0;
            if (dbus_message_is_method_call(m, "org.freedesktop.login1.Manager", "GetSessionByPID") && path &&
                std::strcmp(path, "/org/freedesktop/login1") == 0 && dbus_message_has_signature(m, "u") &&
                dbus_message_get_args(m, nullptr, DBUS_TYPE_UINT32, &pid, DBUS_TYPE_INVALID)) {
                askedPid_ = pid;
                ++lookups_;
                if (!inSession_) {
                    ReplyError(c, m, "org.freedesktop.login1.NoSessionForPID", "PID does not belong to any session");
                } else {
                    DBusMessage* r = dbus_message_new_method_return(m);
                    dbus_message_append_args(r, DBUS_TYPE_OBJECT_PATH, &kOurSession, DBUS_TYPE_INVALID);
                    dbus_connection_send(c, r, nullptr);
                    dbus_message_unref(r);
                }
            } else if (dbus_message_is_method_call(m, "org.freedesktop.DBus.Properties", "Get") && sessionPath &&
                       dbus_message_has_signature(m, "ss") &&
                       dbus_message_get_args(m, nullptr, DBUS_TYPE_STRING, &s1, DBUS_TYPE_STRING, &s2,
                                             DBUS_TYPE_INVALID) &&
                       std::strcmp(s1, "org.freedesktop.login1.Session") == 0 && std::strcmp(s2, "LockedHint") == 0) {
                {
                    std::lock_guard<std::mutex> lock(pathMutex_);
                    lastPath_ = path;
                }
                ++hintReads_;
                DBusMessage* r = dbus_message_new_method_return(m);
                DBusMessageIter it, v;
                const dbus_bool_t b = locked_ ? TRUE : FALSE;
                dbus_message_iter_init_append(r, &it);
                dbus_message_iter_open_container(&it, DBUS_TYPE_VARIANT, DBUS_TYPE_BOOLEAN_AS_STRING, &v);
                dbus_message_iter_append_basic(&v, DBUS_TYPE_BOOLEAN, &b);
                dbus_message_iter_close_container(&it, &v);
                dbus_connection_send(c, r, nullptr);
                dbus_message_unref(r);
            } else if (!dbus_message_get_no_reply(m)) {
                ReplyError(c, m, DBUS_ERROR_UNKNOWN_METHOD, "not in this logind");
            }
            dbus_message_unref(m);
        }
        dbus_connection_flush(c);
    }
    dbus_connection_close(c);
    dbus_connection_unref(c);
}

} // namespace vh::test
