#include "capture/RecordingPassThrough.h"

#include "app/state/RecordModel.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace qn {

RecordingPassThrough::RecordingPassThrough(RecordModel *model, OverlayLookup lookup, MousePolicy policy,
                                           QObject *parent)
    : QObject(parent), m_model(model), m_lookup(std::move(lookup)), m_policy(std::move(policy)) {
    connect(model, &RecordModel::isPausedChanged, this, &RecordingPassThrough::update);
}

void RecordingPassThrough::update() {
    if (!m_lookup)
        return;
    QPointer<QWidget> overlay = m_lookup();
    if (!overlay)
        return;
    const bool paused = m_model->isPaused();
    if (m_policy) {
        m_policy(overlay, !paused);
    } else if (QWindow *window = overlay->windowHandle()) {
        // X11 has no per-window "ignore the mouse": an empty input region does the
        // same, and Qt switches it on the native window without unmapping it.
        window->setFlag(Qt::WindowTransparentForInput, !paused);
    }
    if (paused)
        return;
    // The same overlay is looked up again when the delay is over: it may have
    // closed in between.
    QTimer::singleShot(kMakeKeyDelayMs, this, [this] {
        if (QWidget *again = m_lookup()) {
            again->activateWindow();
            again->raise();
        }
    });
}

} // namespace qn
