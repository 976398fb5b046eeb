#include "service/CapsuletService.h"

#include <QDBusConnectionInterface>
#include <QDBusError>

namespace qn {

namespace {
// libdbus reports the loss of the bus as this local signal; Qt keeps the process
// running unless someone listens for it.
constexpr char kLocalPath[] = "/org/freedesktop/DBus/Local";
constexpr char kLocalInterface[] = "org.freedesktop.DBus.Local";
} // namespace

CapsuletService::CapsuletService(QObject *parent) : QObject(parent) {}

CapsuletService::~CapsuletService() { withdraw(); }

bool CapsuletService::publish(const QDBusConnection &bus) {
    withdraw();
    m_error.clear();
    if (!bus.isConnected()) {
        m_error = QStringLiteral("not connected to a D-Bus bus: %1").arg(bus.lastError().message());
        return false;
    }
    m_bus = bus;
    const QString path = QString::fromLatin1(kCapsuletObjectPath);
    if (!m_bus.registerObject(path, &m_capsulet, QDBusConnection::ExportScriptableSlots)) {
        m_error = QStringLiteral("could not export %1 on the bus").arg(path);
        return false;
    }
    const QString name = QString::fromLatin1(kCapsuletBusName);
    // Neither queue behind another owner nor let one take the name over: a second
    // copy has nothing to add and should say so rather than wait.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_bus.interface()->registerService(name, QDBusConnectionInterface::DontQueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        m_error = reply.isValid() ? QStringLiteral("the name %1 is already taken on the bus").arg(name)
                                  : QStringLiteral("could not take the name %1: %2").arg(name, reply.error().message());
        m_bus.unregisterObject(path);
        return false;
    }
    m_bus.connect(QString(), QString::fromLatin1(kLocalPath), QString::fromLatin1(kLocalInterface),
                  QStringLiteral("Disconnected"), this, SLOT(onDisconnected()));
    m_published = true;
    return true;
}

void CapsuletService::onDisconnected() {
    m_published = false;
    Q_EMIT busLost();
}

void CapsuletService::withdraw() {
    if (!m_published)
        return;
    m_published = false;
    m_bus.disconnect(QString(), QString::fromLatin1(kLocalPath), QString::fromLatin1(kLocalInterface),
                     QStringLiteral("Disconnected"), this, SLOT(onDisconnected()));
    if (m_bus.isConnected()) {
        m_bus.unregisterService(QString::fromLatin1(kCapsuletBusName));
        m_bus.unregisterObject(QString::fromLatin1(kCapsuletObjectPath));
    }
}

} // namespace qn
