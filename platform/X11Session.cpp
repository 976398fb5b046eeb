#include "platform/X11Session.h"

#include <QByteArray>
#include <xcb/xcb.h>

namespace qn {

QString X11Session::unavailableReason() {
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("DISPLAY is not set");
    xcb_connection_t *connection = xcb_connect(display.constData(), nullptr);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (error != 0)
        return QStringLiteral("cannot open display %1").arg(QString::fromLocal8Bit(display));
    return {};
}

} // namespace qn
