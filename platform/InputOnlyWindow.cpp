#include "platform/InputOnlyWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QRegion>
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <xcb/xcb.h>

namespace qn {

namespace {
xcb_connection_t *connection() {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}
} // namespace

InputOnlyWindow::InputOnlyWindow(Handler handler) : m_handler(std::move(handler)) {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installNativeEventFilter(this);
}

InputOnlyWindow::~InputOnlyWindow() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    if (xcb_connection_t *c = connection(); c && m_window) {
        xcb_destroy_window(c, m_window);
        xcb_flush(c);
    }
}

void InputOnlyWindow::show(const QRect &global) {
    xcb_connection_t *c = connection();
    if (!c || global.isEmpty())
        return;
    if (!m_window) {
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        m_window = xcb_generate_id(c);
        const uint32_t values[] = {1, XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                          XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_BUTTON_MOTION};
        xcb_create_window(c, 0, m_window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    }
    const uint32_t geometry[] = {uint32_t(global.x()), uint32_t(global.y()), uint32_t(global.width()),
                                 uint32_t(global.height()), XCB_STACK_MODE_ABOVE};
    xcb_configure_window(c, m_window,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                             XCB_CONFIG_WINDOW_HEIGHT | XCB_CONFIG_WINDOW_STACK_MODE,
                         geometry);
    xcb_map_window(c, m_window);
    xcb_flush(c);
    m_shown = true;
    m_rect = global;
    setExcluded(m_excluded);
}

void InputOnlyWindow::setExcluded(const QList<QRect> &global) {
    m_excluded = global;
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    int event = 0, error = 0;
    if (!display || !m_window || m_rect.isEmpty() || !XShapeQueryExtension(display, &event, &error))
        return;
    QRegion region(QRect(QPoint(0, 0), m_rect.size()));
    for (const QRect &r : global)
        region -= r.translated(-m_rect.topLeft());
    QList<XRectangle> rects;
    for (const QRect &r : region)
        rects.append(XRectangle{short(r.x()), short(r.y()), ushort(r.width()), ushort(r.height())});
    // The panels are few, so the request stays small.
    for (int kind : {ShapeBounding, ShapeInput})
        XShapeCombineRectangles(display, m_window, kind, 0, 0, rects.data(), int(rects.size()), ShapeSet, Unsorted);
    XFlush(display);
}

void InputOnlyWindow::raise() {
    xcb_connection_t *c = connection();
    if (!c || !m_window || !m_shown)
        return;
    const uint32_t above[] = {XCB_STACK_MODE_ABOVE};
    xcb_configure_window(c, m_window, XCB_CONFIG_WINDOW_STACK_MODE, above);
    xcb_flush(c);
}

void InputOnlyWindow::hide() {
    xcb_connection_t *c = connection();
    m_shown = false;
    if (!c || !m_window)
        return;
    xcb_unmap_window(c, m_window);
    xcb_flush(c);
    // A stroke cut off by the hiding still ends.
    if (m_pressed) {
        m_pressed = false;
        if (m_handler)
            m_handler(Phase::Release, QPointF());
    }
}

bool InputOnlyWindow::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) {
    if (!m_window || eventType != "xcb_generic_event_t")
        return false;
    auto *event = static_cast<xcb_generic_event_t *>(message);
    const uint8_t type = event->response_type & ~0x80;
    if (type != XCB_BUTTON_PRESS && type != XCB_BUTTON_RELEASE && type != XCB_MOTION_NOTIFY)
        return false;
    // Press, release and motion events share their layout.
    auto *e = reinterpret_cast<xcb_button_press_event_t *>(event);
    if (e->event != m_window)
        return false;
    const QPointF global(e->root_x, e->root_y);
    if (type == XCB_BUTTON_PRESS) {
        if (e->detail != XCB_BUTTON_INDEX_1)
            return true;
        m_pressed = true;
        if (m_handler)
            m_handler(Phase::Press, global);
    } else if (type == XCB_MOTION_NOTIFY) {
        if (m_handler)
            m_handler(m_pressed ? Phase::Move : Phase::Hover, global);
    } else {
        if (e->detail != XCB_BUTTON_INDEX_1 || !m_pressed)
            return true;
        m_pressed = false;
        if (m_handler)
            m_handler(Phase::Release, global);
    }
    return true;
}

} // namespace qn
