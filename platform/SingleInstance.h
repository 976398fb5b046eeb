#pragma once
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

namespace qn {

// One running program per user and display: the first launch holds a lock and
// listens on a local socket in the runtime folder; a later launch tells it so and
// steps aside, instead of running beside it with a second tray icon and a hot key
// it cannot have.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `folder`: where the lock and the socket live (the runtime folder when empty).
    explicit SingleInstance(const QString &folder = {}, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the running one; false when another one runs (it
    // has been told of this launch, when it could be reached).
    bool claim();

    static QString defaultFolder();
    QString socketPath() const { return m_base + QStringLiteral(".socket"); }

Q_SIGNALS:
    // A later launch handed over to this one.
    void anotherLaunched();

private:
    bool tellRunningOne();

    QString m_base;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};

} // namespace qn
