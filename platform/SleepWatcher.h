#pragma once
#include <QObject>

namespace qn {

// Tells when the machine is about to sleep and when it has woken, from logind's
// PrepareForSleep signal on the system bus. Without a system bus or logind it
// simply never reports anything.
class SleepWatcher : public QObject {
    Q_OBJECT
public:
    explicit SleepWatcher(QObject *parent = nullptr);
    // Whether the system bus could be reached, so reports can come.
    bool watching() const { return m_watching; }

Q_SIGNALS:
    void willSleep();
    void didWake();

private Q_SLOTS:
    void prepareForSleep(bool sleeping);

private:
    bool m_watching = false;
};

} // namespace qn
