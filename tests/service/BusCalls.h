#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace qn::test {

// Sends a call and waits for its answer while the event loop runs, so a service in
// the same process can answer it.
QDBusMessage callAndWait(const QDBusConnection &bus, const QDBusMessage &call);

// A method call to the Capsulet object under its bus name.
QDBusMessage capsuletCall(const QString &method, const QString &interface = {}, const QVariantList &arguments = {});

// What introspection says about one interface of an object.
struct IntrospectedInterface {
    bool found = false;
    QStringList methods;   // sorted
    int argumentCount = 0; // of all methods and signals, in and out
    int signalCount = 0;
    int propertyCount = 0;
};
IntrospectedInterface introspect(const QDBusConnection &bus, const QString &service, const QString &path,
                                 const QString &interface);

} // namespace qn::test
