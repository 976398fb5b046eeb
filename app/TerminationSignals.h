#pragma once
#include <QObject>

namespace qn {

// SIGTERM, SIGINT and SIGHUP (a logout, `kill`, a closed terminal) as a Qt signal
// on the GUI thread, so that whatever must end properly (a movie being recorded)
// can end before the program quits. One per process.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void drain();
};

} // namespace qn
