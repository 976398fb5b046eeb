#include "platform/NotificationHub.h"

namespace qn {

NotificationHub &NotificationHub::shared() {
    static NotificationHub hub;
    return hub;
}

void NotificationHub::post(const QString &name) { Q_EMIT posted(name); }

QMetaObject::Connection NotificationHub::observe(const QString &name, const QObject *context,
                                                 std::function<void()> handler) {
    return connect(this, &NotificationHub::posted, context, [name, handler](const QString &posted) {
        if (posted == name)
            handler();
    });
}

} // namespace qn
