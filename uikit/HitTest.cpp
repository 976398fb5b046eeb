#include "uikit/HitTest.h"

#include <QMouseEvent>
#include <QWidget>

namespace qn {

MorvaneHitTest::MorvaneHitTest(QWidget *host, MorvaneHitTesttCall call, Handler handler)
    : MouseWatcher(host), m_call(call), m_handler(std::move(handler)) {}

void MorvaneHitTest::mouseEvent(QMouseEvent *event, QWidget *, const QPointF &hostPosition) {
    // The hit test of an event comes before the event itself, so a press is tested
    // while still "up" and a release while still "down".
    const bool report = m_call == MorvaneHitTesttCall::All || (m_call == MorvaneHitTesttCall::MouseDown && m_pressed) ||
                        (m_call == MorvaneHitTesttCall::MouseUp && !m_pressed);
    if (report && m_handler) {
        QWidget *hit = nullptr;
        const QPoint p = hostPosition.toPoint();
        if (host()->rect().contains(p)) {
            hit = host()->childAt(p);
            if (!hit)
                hit = host();
        }
        m_handler(hostPosition, hit);
    }
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        m_pressed = true;
    else if (event->type() == QEvent::MouseButtonRelease)
        m_pressed = false;
}

MorvaneHitTest *onHitTest(QWidget *host, MorvaneHitTesttCall call, MorvaneHitTest::Handler handler) {
    return new MorvaneHitTest(host, call, std::move(handler));
}

} // namespace qn
