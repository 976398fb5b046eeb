#pragma once
#include <QMetaObject>
#include <QObject>

class QCoreApplication;

namespace qn {

class ApplicationDelegate;
class SingleInstance;
class TerminationSignals;
struct TestSwitches;

// The map of the program. Every signal by which a long-lived object of a lower
// folder asks the application for something (a tray notice, a sound, a status menu
// action, the end of the process) is connected here and nowhere else, so "who calls
// whom" is read in this one file. Objects a folder makes for itself (a window and
// the views in it) are connected by their maker.
//
// The connections live as long as this object: a test that makes one and lets it
// go leaves nothing connected behind.
class ApplicationWiring : public QObject {
    Q_OBJECT
public:
    explicit ApplicationWiring(QObject *parent = nullptr);

    // The process around the delegate: termination signals, a second launch, quitting
    // and the X server going away. Before the event loop runs.
    static void wireProcess(QCoreApplication &application, SingleInstance &instance, TerminationSignals &terminations,
                            ApplicationDelegate &delegate);

    // First thing at start-up, before the shared models exist: what the cloud
    // client, the settings pages, the overlay and the preferences file ask for, the
    // status menu following an expired sign-in, and the cloud's test switch.
    void wireServices(const TestSwitches &switches);
    // Once the shared models exist: what the recorder tells the user, and the
    // overlay's and the camera's test switches.
    void wireRecording(const TestSwitches &switches);
    // At exit: the status menu no longer signs out on an expired token.
    void unwireStatusMenu();

private:
    QMetaObject::Connection m_tokenExpired;
};

} // namespace qn
