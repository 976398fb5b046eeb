#include "platform/InputShape.h"

#include <QGuiApplication>
#include <QList>
#include <QRegion>
#include <QWidget>
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <algorithm>

namespace qn {

void setInputPassThrough(QWidget *window, bool through) {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display || !window || !window->window()->winId())
        return;
    const ::Window id = ::Window(window->window()->winId());
    int event = 0, error = 0;
    if (!XShapeQueryExtension(display, &event, &error))
        return;
    if (through)
        XShapeCombineRectangles(display, id, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    else
        XShapeCombineMask(display, id, ShapeInput, 0, 0, None, ShapeSet);
    XFlush(display);
}

namespace {
bool combine(QWidget *window, const QRegion &region, int operation) {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display || !window || !window->window()->winId())
        return false;
    int event = 0, error = 0;
    if (!XShapeQueryExtension(display, &event, &error))
        return false;
    const qreal scale = window->devicePixelRatioF();
    QList<XRectangle> rects;
    for (const QRect &r : region) {
        const QRect device(QPoint(qRound(r.x() * scale), qRound(r.y() * scale)),
                           QSize(qRound(r.width() * scale), qRound(r.height() * scale)));
        rects.append(XRectangle{short(device.x()), short(device.y()), ushort(device.width()), ushort(device.height())});
    }
    // A shape of many small parts (a fading stroke) can hold more rectangles than one
    // request may carry, and an over-long request ends the whole X connection: it is
    // sent in parts, the first setting (or adding) and the others adding.
    constexpr qsizetype kPart = 4096;
    const ::Window id = ::Window(window->window()->winId());
    qsizetype sent = 0;
    do {
        const qsizetype count = std::min(kPart, rects.size() - sent);
        XShapeCombineRectangles(display, id, ShapeBounding, 0, 0, rects.data() + sent, int(count),
                                sent == 0 ? operation : ShapeUnion, Unsorted);
        sent += count;
    } while (sent < rects.size());
    XFlush(display);
    return true;
}
} // namespace

bool setWindowShape(QWidget *window, const QRegion &region) { return combine(window, region, ShapeSet); }

bool addToWindowShape(QWidget *window, const QRegion &region) { return combine(window, region, ShapeUnion); }

} // namespace qn
