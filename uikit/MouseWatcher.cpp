#include "uikit/MouseWatcher.h"

#include <QChildEvent>
#include <QMouseEvent>
#include <QWidget>

namespace qn {

MouseWatcher::MouseWatcher(QWidget *host) : QObject(host), m_host(host) { watch(host); }

void MouseWatcher::watch(QWidget *widget) {
    widget->installEventFilter(this);
    for (QObject *child : widget->children())
        if (child->isWidgetType())
            watch(static_cast<QWidget *>(child));
}

bool MouseWatcher::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::ChildAdded: {
        QObject *child = static_cast<QChildEvent *>(event)->child();
        if (child->isWidgetType())
            watch(static_cast<QWidget *>(child));
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        // An event a child ignores comes again to its parent: count it once.
        if (mouse->type() == m_lastType && mouse->timestamp() == m_lastTimestamp &&
            mouse->globalPosition() == m_lastGlobal)
            break;
        m_lastType = mouse->type();
        m_lastTimestamp = mouse->timestamp();
        m_lastGlobal = mouse->globalPosition();
        auto *receiver = static_cast<QWidget *>(watched);
        if (m_host)
            mouseEvent(mouse, receiver, receiver->mapTo(m_host.data(), mouse->position()));
        break;
    }
    default: break;
    }
    return false;
}

} // namespace qn
