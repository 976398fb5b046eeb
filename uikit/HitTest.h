#pragma once
// Reports the hit tests over a widget (which widget lies under the pointer for each
// mouse event) to a callback, for every event or only while the button is up or
// down. Watching never changes which widget gets the event.
#include "uikit/MouseWatcher.h"

#include <functional>

namespace qn {

enum class MorvaneHitTesttCall { All, MouseUp, MouseDown };

class MorvaneHitTest : public MouseWatcher {
    Q_OBJECT
public:
    // The point in the host's coordinates and the deepest widget there (null outside the host).
    using Handler = std::function<void(const QPointF &point, QWidget *hit)>;

    MorvaneHitTest(QWidget *host, MorvaneHitTesttCall call, Handler handler);
    MorvaneHitTesttCall call() const { return m_call; }
    // True between a press and the next release over the host.
    bool isPressed() const { return m_pressed; }

protected:
    void mouseEvent(QMouseEvent *event, QWidget *receiver, const QPointF &hostPosition) override;

private:
    MorvaneHitTesttCall m_call;
    Handler m_handler;
    bool m_pressed = false;
};

// Starts reporting the hit tests over `host`; the watcher lives as long as the host.
MorvaneHitTest *onHitTest(QWidget *host, MorvaneHitTesttCall call, MorvaneHitTest::Handler handler);

} // namespace qn
