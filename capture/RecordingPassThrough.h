#pragma once
#include <QObject>
#include <functional>

class QWidget;

namespace qn {

class RecordModel;

// While a recording runs unpaused, clicks go through the crop screen's overlay to
// the windows beneath, and the overlay is made the key window again a moment later
// so that it keeps Esc; while paused the overlay takes the mouse. Follows every
// assignment of the recording state's pause, also of an unchanged value.
class RecordingPassThrough : public QObject {
    Q_OBJECT
public:
    // The crop screen's overlay window, or null when none is open.
    using OverlayLookup = std::function<QWidget *()>;
    // How the overlay lets the mouse through; empty means the window's whole input
    // region is switched.
    using MousePolicy = std::function<void(QWidget *overlay, bool ignoresMouse)>;

    RecordingPassThrough(RecordModel *model, OverlayLookup lookup, MousePolicy policy = {}, QObject *parent = nullptr);

    // How long after a resume the overlay is made key again.
    static constexpr int kMakeKeyDelayMs = 300;

    void update();

private:
    RecordModel *m_model;
    OverlayLookup m_lookup;
    MousePolicy m_policy;
};

} // namespace qn
