#include "platform/X11Desktop.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QList>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace qn::X11Desktop {

namespace {
struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t *connection() {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t firstRoot(xcb_connection_t *c) { return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root; }

xcb_atom_t atom(xcb_connection_t *c, const char *name, bool onlyIfExists = true) {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, onlyIfExists, static_cast<uint16_t>(qstrlen(name)), name),
                              nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QByteArray property(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1024), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return {};
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}
} // namespace

std::optional<QString> activeWindowClass() {
    xcb_connection_t *c = connection();
    if (!c)
        return std::nullopt;
    const xcb_atom_t active = atom(c, "_NET_ACTIVE_WINDOW");
    if (active == XCB_ATOM_NONE)
        return std::nullopt;
    const QByteArray value = property(c, firstRoot(c), active, XCB_ATOM_WINDOW);
    if (value.size() < 4)
        return std::nullopt;
    xcb_window_t window = 0;
    std::memcpy(&window, value.constData(), sizeof window);
    if (window == XCB_WINDOW_NONE)
        return std::nullopt;
    // WM_CLASS holds two NUL-terminated texts: instance name, then class name.
    const QList<QByteArray> parts = property(c, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING).split('\0');
    if (parts.size() < 2 || parts.at(1).isEmpty())
        return std::nullopt;
    return QString::fromLocal8Bit(parts.at(1));
}

bool compositingActive() {
    xcb_connection_t *c = connection();
    if (!c)
        return false;
    const xcb_atom_t selection = atom(c, "_NET_WM_CM_S0", false);
    Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
    return reply && reply->owner != XCB_WINDOW_NONE;
}

} // namespace qn::X11Desktop
