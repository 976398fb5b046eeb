#include "tests/service/PrivateBus.h"

#include <QDeadlineTimer>
#include <QFile>

namespace qn::test {

PrivateBus::PrivateBus(QString serviceDir) : m_serviceDir(std::move(serviceDir)) {}

PrivateBus::~PrivateBus() { stop(); }

bool PrivateBus::start() {
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = file.errorString();
        return false;
    }
    QString xml = QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                                 " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                 "<busconfig>\n"
                                 "  <type>session</type>\n"
                                 "  <listen>unix:path=%1</listen>\n")
                      .arg(m_dir.filePath(QStringLiteral("bus")).toHtmlEscaped());
    if (!m_serviceDir.isEmpty())
        xml += QStringLiteral("  <servicedir>%1</servicedir>\n").arg(m_serviceDir.toHtmlEscaped());
    xml += QStringLiteral("  <policy context=\"default\">\n"
                          "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                          "    <allow eavesdrop=\"true\"/>\n"
                          "    <allow own=\"*\"/>\n"
                          "  </policy>\n"
                          "</busconfig>\n");
    file.write(xml.toUtf8());
    file.close();

    // What services the bus starts write to its error channel: let it reach the
    // test's output.
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                                                   QStringLiteral("--config-file=") + config});
    if (!m_daemon.waitForStarted(10000)) {
        m_error = QStringLiteral("dbus-daemon did not start: ") + m_daemon.errorString();
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!m_daemon.canReadLine()) {
        if (deadline.hasExpired() || !m_daemon.waitForReadyRead(int(deadline.remainingTime()))) {
            m_error = QStringLiteral("dbus-daemon printed no address");
            return false;
        }
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    return true;
}

QDBusConnection PrivateBus::connect() {
    const QString name =
        QStringLiteral("test-client-%1-%2").arg(reinterpret_cast<quintptr>(this)).arg(m_connections.size());
    m_connections << name;
    return QDBusConnection::connectToBus(m_address, name);
}

void PrivateBus::stop() {
    for (const QString &name : std::as_const(m_connections))
        QDBusConnection::disconnectFromBus(name);
    m_connections.clear();
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }
}

} // namespace qn::test
