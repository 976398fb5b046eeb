#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace qn::test {

// A session bus of the test's own: a dbus-daemon on a socket in a temporary folder,
// optionally able to start services from one service folder. Ended with the object;
// services it started lose the bus then.
class PrivateBus {
public:
    explicit PrivateBus(QString serviceDir = {});
    ~PrivateBus();
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    // Starts the daemon and waits until it prints its address. False, with
    // error(), when it does not come up.
    bool start();
    QString error() const { return m_error; }
    QString address() const { return m_address; }

    // A new client connection to the bus, with a name of its own.
    QDBusConnection connect();
    // Ends the daemon now, as a crashing or logging-out bus would.
    void stop();

private:
    QString m_serviceDir;
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_error;
    QStringList m_connections;
};

} // namespace qn::test
