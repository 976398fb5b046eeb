#include "platform/WindowGoneWatch.h"

#include <QCoreApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

namespace qn {

WindowGoneWatch::WindowGoneWatch(QWidget *window, QObject *parent) : QObject(parent), m_window(window) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WindowGoneWatch::~WindowGoneWatch() {
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
}

bool WindowGoneWatch::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) {
    if (eventType != "xcb_generic_event_t" || !m_window)
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY)
        return false;
    const auto *destroyed = reinterpret_cast<const xcb_destroy_notify_event_t *>(event);
    // Only the X window Qt still holds for it: one Qt destroyed itself is no longer
    // its platform window by the time the notice arrives.
    QWindow *handle = m_window->windowHandle();
    if (handle && handle->handle() && handle->winId() == WId(destroyed->window))
        Q_EMIT gone();
    return false;
}

void WindowGoneWatch::forget(QWidget *window) {
    if (!window)
        return;
    window->close();
    if (QWindow *handle = window->windowHandle())
        handle->destroy();
}

} // namespace qn
