#include "uikit/ViewClick.h"

#include <QMouseEvent>

namespace qn {

MorvaneViewClick::MorvaneViewClick(QWidget *host, Handler mouseDown, Handler mouseUp)
    : MouseWatcher(host), m_mouseDown(std::move(mouseDown)), m_mouseUp(std::move(mouseUp)) {}

void MorvaneViewClick::mouseEvent(QMouseEvent *event, QWidget *, const QPointF &) {
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) && m_mouseDown)
        m_mouseDown(event);
    else if (event->type() == QEvent::MouseButtonRelease && m_mouseUp)
        m_mouseUp(event);
}

MorvaneViewClick *onViewClick(QWidget *host, MorvaneViewClick::Handler mouseDown, MorvaneViewClick::Handler mouseUp) {
    return new MorvaneViewClick(host, std::move(mouseDown), std::move(mouseUp));
}

} // namespace qn
