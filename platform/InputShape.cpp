#include "platform/InputShape.h"

#include <QGuiApplication>
#include <QWidget>
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

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

} // namespace qn
