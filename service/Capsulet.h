#pragma once

#include <QObject>

namespace qn {

// Names under which Capsulet is found on the session bus. The bus name follows the
// program's signing identity; the interface is the recording protocol it answers.
inline constexpr char kCapsuletBusName[] = "com.morvane.Capsulet";
inline constexpr char kCapsuletObjectPath[] = "/com/morvane/Capsulet";
inline constexpr char kCapsuletInterface[] = "com.morvane.CapsuletProtocol";

// The object Capsulet serves. Both requests are answered and nothing else happens:
// recording itself lives in the application, and this service keeps no state, so a
// stop without a start, or any request repeated, answers the same way.
//
// Only the scriptable slots are exported, so the bus sees exactly these two methods.
class Capsulet : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.morvane.CapsuletProtocol")

public:
    using QObject::QObject;

public Q_SLOTS:
    Q_SCRIPTABLE void startRecordWith();
    Q_SCRIPTABLE void stopRecordWith();
};

} // namespace qn
