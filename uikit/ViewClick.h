#pragma once
// Tells two callbacks about every press and release over a widget (and the widgets
// inside it) before the widget under the pointer handles them.
#include "uikit/MouseWatcher.h"

#include <functional>

namespace qn {

class MorvaneViewClick : public MouseWatcher {
    Q_OBJECT
public:
    using Handler = std::function<void(QMouseEvent *event)>;

    MorvaneViewClick(QWidget *host, Handler mouseDown, Handler mouseUp);

protected:
    void mouseEvent(QMouseEvent *event, QWidget *receiver, const QPointF &hostPosition) override;

private:
    Handler m_mouseDown;
    Handler m_mouseUp;
};

// Starts reporting presses and releases over `host`; the watcher lives as long as the host.
MorvaneViewClick *onViewClick(QWidget *host, MorvaneViewClick::Handler mouseDown, MorvaneViewClick::Handler mouseUp);

} // namespace qn
