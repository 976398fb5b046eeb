#pragma once
#include "app/ApplicationWiring.h"

#include <QObject>

namespace qn {

// Runs the start-up of the tray program in its fixed order and the steps at exit.
class ApplicationDelegate : public QObject {
    Q_OBJECT
public:
    explicit ApplicationDelegate(QObject *parent = nullptr);

    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    // A termination signal: a movie being recorded is finished, then the program quits.
    void terminationRequested(int signalNumber);
    // A second launch stepped aside for this program.
    void anotherLaunchHandedOver();

private:
    void recoverMovies();
    ApplicationWiring m_wiring;
};

} // namespace qn
