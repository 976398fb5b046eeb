#pragma once
#include <QObject>
#include <QString>
#include <functional>

namespace qn {

// In-process named notifications ("tokenExpired"): any part of the program posts a
// name, observers registered for that name run synchronously on the posting thread.
class NotificationHub : public QObject {
    Q_OBJECT
public:
    static NotificationHub &shared();

    void post(const QString &name);
    // The observation ends when `context` is destroyed or when the returned
    // connection is disconnected.
    QMetaObject::Connection observe(const QString &name, const QObject *context, std::function<void()> handler);

Q_SIGNALS:
    void posted(const QString &name);
};

} // namespace qn
