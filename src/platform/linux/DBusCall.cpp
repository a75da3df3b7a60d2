#include "platform/linux/DBusCall.h"

#include <sys/stat.h>

#include <cstdlib>
#include <stdexcept>

namespace vh::platform::dbus {

namespace {

// libdbus reads the bus addresses from the environment once per process and may start a session bus for the X
// display; these follow the environment and start nothing.
DBusConnection* Open(const std::string& address, const char* what) {
    DBusError err;
    dbus_error_init(&err);
    DBusConnection* bus = address.empty() ? nullptr : dbus_connection_open_private(address.c_str(), &err);
    if (bus && !dbus_bus_register(bus, &err)) {
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
        bus = nullptr;
    }
    dbus_error_free(&err);
    if (!bus)
        throw std::runtime_error(what);
    dbus_connection_set_exit_on_disconnect(bus, FALSE);
    return bus;
}

} // namespace

DBusConnection* ConnectSystemBus() {
    const char* a = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    return Open(a && *a ? a : "unix:path=/var/run/dbus/system_bus_socket", "no system bus");
}

DBusConnection* ConnectSessionBus() {
    std::string address;
    if (const char* a = std::getenv("DBUS_SESSION_BUS_ADDRESS"); a && *a) {
        address = a;
    } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        const std::string socket = std::string(runtime) + "/bus";
        struct stat st {};
        if (::stat(socket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode))
            address = "unix:path=" + socket;
    }
    return Open(address, "no session bus");
}

void Disconnect(DBusConnection* bus) {
    if (!bus)
        return;
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
}

Message NewCall(const char* destination, const std::string& path, const char* interface, const char* method) {
    Message call(dbus_message_new_method_call(destination, path.c_str(), interface, method));
    if (!call.m)
        throw std::runtime_error("out of memory");
    dbus_message_set_auto_start(call.m, FALSE);
    return call;
}

Message Send(DBusConnection* bus, const Message& call, int timeoutMs) {
    if (!dbus_connection_get_is_connected(bus))
        throw std::runtime_error("the session bus was lost");
    DBusError err;
    dbus_error_init(&err);
    Message reply(dbus_connection_send_with_reply_and_block(bus, call.m, timeoutMs, &err));
    dbus_error_free(&err);
    return reply.Returned() ? std::move(reply) : Message();
}

Message GetProperty(DBusConnection* bus, const char* destination, const std::string& path, const char* interface,
                    const char* property, int timeoutMs) {
    Message call = NewCall(destination, path, "org.freedesktop.DBus.Properties", "Get");
    dbus_message_append_args(call.m, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property, DBUS_TYPE_INVALID);
    return Send(bus, call, timeoutMs);
}

bool NameHasOwner(DBusConnection* bus, const char* name) {
    DBusError err;
    dbus_error_init(&err);
    const bool there = dbus_bus_name_has_owner(bus, name, &err);
    dbus_error_free(&err);
    return there;
}

bool ReadString(DBusMessageIter& it, std::string& out) {
    const int type = dbus_message_iter_get_arg_type(&it);
    if (type != DBUS_TYPE_STRING && type != DBUS_TYPE_OBJECT_PATH)
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

bool ReadNumber(DBusMessageIter& it, double& out) {
    const auto basic = [&it](auto v) {
        dbus_message_iter_get_basic(&it, &v);
        return static_cast<double>(v);
    };
    switch (dbus_message_iter_get_arg_type(&it)) {
    case DBUS_TYPE_DOUBLE:
        out = basic(double{});
        return true;
    case DBUS_TYPE_INT32:
        out = basic(dbus_int32_t{});
        return true;
    case DBUS_TYPE_UINT32:
        out = basic(dbus_uint32_t{});
        return true;
    case DBUS_TYPE_INT64:
        out = basic(dbus_int64_t{});
        return true;
    case DBUS_TYPE_UINT64:
        out = basic(dbus_uint64_t{});
        return true;
    default:
        return false;
    }
}

DBusMessageIter Unwrap(DBusMessageIter& it) {
    if (dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_VARIANT)
        return it;
    DBusMessageIter inner;
    dbus_message_iter_recurse(&it, &inner);
    return inner;
}

} // namespace vh::platform::dbus
