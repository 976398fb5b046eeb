#include "tests/service/BusCalls.h"

#include "service/Capsulet.h"

#include <QDBusPendingCallWatcher>
#include <QSignalSpy>
#include <QXmlStreamReader>

namespace qn::test {

QDBusMessage callAndWait(const QDBusConnection &bus, const QDBusMessage &call) {
    QDBusPendingCallWatcher watcher(bus.asyncCall(call, 20000));
    if (!watcher.isFinished()) {
        QSignalSpy finished(&watcher, &QDBusPendingCallWatcher::finished);
        finished.wait(25000);
    }
    return watcher.reply();
}

QDBusMessage capsuletCall(const QString &method, const QString &interface, const QVariantList &arguments) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kCapsuletBusName), QString::fromLatin1(kCapsuletObjectPath),
                                       interface.isEmpty() ? QString::fromLatin1(kCapsuletInterface) : interface,
                                       method);
    call.setArguments(arguments);
    return call;
}

IntrospectedInterface introspect(const QDBusConnection &bus, const QString &service, const QString &path,
                                 const QString &interface) {
    IntrospectedInterface result;
    const QDBusMessage reply =
        callAndWait(bus,
                    QDBusMessage::createMethodCall(service, path, QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                                   QStringLiteral("Introspect")));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return result;
    QXmlStreamReader xml(reply.arguments().constFirst().toString());
    bool inside = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("interface")) {
                inside = xml.attributes().value(QLatin1String("name")) == interface;
                result.found = result.found || inside;
            } else if (inside && name == QLatin1String("method")) {
                result.methods << xml.attributes().value(QLatin1String("name")).toString();
            } else if (inside && name == QLatin1String("arg")) {
                ++result.argumentCount;
            } else if (inside && name == QLatin1String("signal")) {
                ++result.signalCount;
            } else if (inside && name == QLatin1String("property")) {
                ++result.propertyCount;
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("interface")) {
            inside = false;
        }
    }
    result.methods.sort();
    return result;
}

} // namespace qn::test
