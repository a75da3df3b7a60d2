#include "toolkit/TrayHost.h"

#include <QSystemTrayIcon>

#ifdef VH_HAVE_QTDBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#endif

namespace vh {

namespace {

std::unique_ptr<TrayHost>& Instance() {
    static std::unique_ptr<TrayHost> host = std::make_unique<TrayHost>();
    return host;
}

// Qt shows the icon as a StatusNotifierItem when a host is registered with the watcher as the first icon
// is made, and keeps that choice for the process; ask the same question once, the same way.
bool StatusNotifierHostRegistered() {
#ifdef VH_HAVE_QTDBUS
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(watcher))
        return false;
    QDBusInterface iface(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
    return iface.property("IsStatusNotifierHostRegistered").toBool();
#else
    return false;
#endif
}

} // namespace

bool TrayHost::Available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool TrayHost::ReportsDoubleClick() const {
    static const bool notifierItem = StatusNotifierHostRegistered();
    return !notifierItem;
}

const TrayHost& TheTrayHost() {
    return *Instance();
}

void SetTrayHost(std::unique_ptr<TrayHost> host) {
    Instance() = host ? std::move(host) : std::make_unique<TrayHost>();
}

} // namespace vh
