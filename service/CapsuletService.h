#pragma once

#include "service/Capsulet.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace qn {

// Puts one Capsulet object on a bus connection and claims the service's name. A
// D-Bus object serves every caller, so one object is enough for all clients.
class CapsuletService : public QObject {
    Q_OBJECT

public:
    explicit CapsuletService(QObject *parent = nullptr);
    ~CapsuletService() override;

    // Exports the object, then takes the name, so a call the bus delivers as soon as
    // the name is ours already finds the object. False, with errorString(), when the
    // bus is not connected or another process owns the name; nothing stays behind.
    bool publish(const QDBusConnection &bus);
    QString errorString() const { return m_error; }

Q_SIGNALS:
    // The bus went away; nothing can reach the service any more.
    void busLost();

private Q_SLOTS:
    void onDisconnected();

private:
    void withdraw();

    Capsulet m_capsulet;
    QDBusConnection m_bus{QString()};
    bool m_published = false;
    QString m_error;
};

} // namespace qn
