#include "platform/OverlayInput.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <array>
#include <xcb/xcb.h>

namespace qn::overlayInput {

namespace {

xcb_connection_t *connection() {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Remembers the pointer position of the last key events, read from the X events
// themselves as they arrive (before the toolkit queues its own key events).
class KeyPositions : public QAbstractNativeEventFilter {
public:
    struct Entry {
        quint32 code = 0;
        quint64 time = 0;
        QPoint root;
        bool used = false;
    };

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override {
        if (type != "xcb_generic_event_t")
            return false;
        auto *event = static_cast<xcb_generic_event_t *>(message);
        const uint8_t kind = event->response_type & ~0x80;
        if (kind != XCB_KEY_PRESS && kind != XCB_KEY_RELEASE)
            return false;
        auto *key = reinterpret_cast<xcb_key_press_event_t *>(event);
        m_entries[m_next] = Entry{key->detail, key->time, QPoint(key->root_x, key->root_y), true};
        m_next = (m_next + 1) % m_entries.size();
        // A key held for the overlay while another program's window still has the focus
        // is reported on the root; it goes to the overlay instead.
        if (keyTarget != XCB_NONE && key->event == key->root)
            key->event = keyTarget;
        return false;
    }

    xcb_window_t keyTarget = XCB_NONE;

    std::optional<QPoint> find(quint32 code, quint64 time) const {
        for (const Entry &e : m_entries)
            if (e.used && e.code == code && e.time == time)
                return e.root;
        return std::nullopt;
    }

private:
    std::array<Entry, 32> m_entries{};
    size_t m_next = 0;
};

KeyPositions *positions() {
    static KeyPositions *filter = [] {
        auto *f = new KeyPositions;
        if (QCoreApplication *app = QCoreApplication::instance())
            app->installNativeEventFilter(f);
        return f;
    }();
    return filter;
}

bool g_holding = false;
bool g_pointerHeld = false;

} // namespace

xcb_window_t rootWindow(xcb_connection_t *c) {
    const xcb_setup_t *setup = xcb_get_setup(c);
    const xcb_screen_t *screen = setup ? xcb_setup_roots_iterator(setup).data : nullptr;
    return screen ? screen->root : XCB_NONE;
}

void holdPointer() {
    positions();
    xcb_connection_t *c = connection();
    if (!c)
        return;
    const xcb_window_t root = rootWindow(c);
    if (root == XCB_NONE)
        return;
    // Owner events: the program's own windows get their events as usual; the hold only
    // keeps presses away from everyone else's bindings. The pointer is held on the root,
    // so that every window keeps showing its own cursor, and the root is always there to
    // be held, also before the overlay has been mapped.
    auto cookie =
        xcb_grab_pointer(c, 1, root,
                         XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION,
                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME);
    xcb_grab_pointer_reply_t *reply = xcb_grab_pointer_reply(c, cookie, nullptr);
    g_pointerHeld = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    g_holding = g_holding || g_pointerHeld;
    free(reply);
}

bool holdingPointer() { return g_pointerHeld; }

void holdKeyboard(QWindow *window) {
    xcb_connection_t *c = connection();
    if (!c || !window)
        return;
    const xcb_window_t root = rootWindow(c);
    positions()->keyTarget = xcb_window_t(window->winId());
    // Held on the root, which can be held before the overlay is mapped.
    auto cookie = xcb_grab_keyboard(c, 1, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    free(xcb_grab_keyboard_reply(c, cookie, nullptr));
    g_holding = true;
}

void release() {
    positions()->keyTarget = XCB_NONE;
    if (!g_holding)
        return;
    g_holding = false;
    g_pointerHeld = false;
    if (xcb_connection_t *c = connection()) {
        xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_flush(c);
    }
}

bool holding() { return g_holding; }

std::optional<QPoint> pointerAtKey(quint32 keyCode, quint64 timestamp) {
    const auto root = positions()->find(keyCode, timestamp);
    if (!root)
        return std::nullopt;
    // X reports device pixels; the program works in device-independent ones. A screen
    // keeps its origin in both and scales only its size.
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QPoint origin = screen->geometry().topLeft();
        const qreal ratio = screen->devicePixelRatio();
        const QRect native(origin, (QSizeF(screen->geometry().size()) * ratio).toSize());
        if (native.contains(*root))
            return origin + (QPointF(*root - origin) / ratio).toPoint();
    }
    return root;
}

} // namespace qn::overlayInput
