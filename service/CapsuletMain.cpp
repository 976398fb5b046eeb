#include "service/CapsuletMain.h"

#include "service/CapsuletService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>

#include <cstdio>

namespace qn {

namespace {

// When the bus started us it says which bus that was; serve there, even if the
// session address in our environment names another bus.
QDBusConnection serviceBus() {
    if (qEnvironmentVariable("DBUS_STARTER_BUS_TYPE") == QLatin1String("session") &&
        !qEnvironmentVariableIsEmpty("DBUS_STARTER_ADDRESS"))
        return QDBusConnection::connectToBus(QDBusConnection::ActivationBus, QStringLiteral("capsulet"));
    return QDBusConnection::sessionBus();
}

void fail(const QString &why) {
    QString line = why;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "capsulet: %s\n", qUtf8Printable(line));
}

} // namespace

int capsuletMain(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("capsulet"));

    const QDBusConnection bus = serviceBus();
    if (!bus.isConnected()) {
        const QString detail = bus.lastError().message();
        fail(detail.isEmpty() ? QStringLiteral("no D-Bus session bus to serve on")
                              : QStringLiteral("no D-Bus session bus to serve on (%1)").arg(detail));
        return 1;
    }
    CapsuletService service;
    if (!service.publish(bus)) {
        fail(service.errorString());
        return 1;
    }
    QObject::connect(&service, &CapsuletService::busLost, &app, [] { QCoreApplication::exit(0); });
    return app.exec();
}

} // namespace qn
