#include "platform/SleepWatcher.h"

#include <QDBusConnection>

namespace qn {

SleepWatcher::SleepWatcher(QObject *parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    m_watching = bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                             QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                             SLOT(prepareForSleep(bool)));
}

void SleepWatcher::prepareForSleep(bool sleeping) {
    if (sleeping)
        Q_EMIT willSleep();
    else
        Q_EMIT didWake();
}

} // namespace qn
