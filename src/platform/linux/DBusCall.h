#pragma once
// The little of libdbus the desktop backends need: a private session bus connection, method calls with a
// bounded wait, and reading the basic values of a reply. The system bus is asked only about the login session.
#include <dbus/dbus.h>

#include <string>

namespace vh::platform::dbus {

// Owns one message reference.
struct Message {
    DBusMessage* m = nullptr;
    explicit Message(DBusMessage* msg = nullptr) : m(msg) {}
    ~Message() {
        if (m)
            dbus_message_unref(m);
    }
    Message(Message&& o) noexcept : m(o.m) { o.m = nullptr; }
    Message& operator=(Message&& o) noexcept {
        std::swap(m, o.m);
        return *this;
    }
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;
    // A method return (not an error, not nothing).
    bool Returned() const { return m && dbus_message_get_type(m) == DBUS_MESSAGE_TYPE_METHOD_RETURN; }
};

// A private connection to the session bus that runs ($DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus), which
// does not end the process when the bus goes away. Throws std::runtime_error when there is none.
DBusConnection* ConnectSessionBus();
// The same for the system bus ($DBUS_SYSTEM_BUS_ADDRESS, else the well-known socket).
DBusConnection* ConnectSystemBus();
void Disconnect(DBusConnection* bus);

// A method call to be filled with arguments; never starts a service that is not running.
Message NewCall(const char* destination, const std::string& path, const char* interface, const char* method);
// Sends call and waits at most timeoutMs for the reply; an error reply or none gives an empty Message.
Message Send(DBusConnection* bus, const Message& call, int timeoutMs);

// org.freedesktop.DBus.Properties.Get; the reply holds the value in a variant.
Message GetProperty(DBusConnection* bus, const char* destination, const std::string& path, const char* interface,
                    const char* property, int timeoutMs);

// Whether a name has an owner on the bus now.
bool NameHasOwner(DBusConnection* bus, const char* name);

// Readers of one value at the iterator; false (out unchanged) when the value has another type.
bool ReadString(DBusMessageIter& it, std::string& out);
bool ReadBool(DBusMessageIter& it, bool& out);
// Any numeric type (script engines send doubles).
bool ReadNumber(DBusMessageIter& it, double& out);
// The value inside the variant at the iterator (the iterator itself when it holds no variant).
DBusMessageIter Unwrap(DBusMessageIter& it);

} // namespace vh::platform::dbus
