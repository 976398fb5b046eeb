#include "platform/ScreenGrabber.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <QPixmap>
#include <QScreen>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace qn {

namespace {

void detachSegment(void *address) { shmdt(address); }

// The screen read through a shared memory segment: the server writes the pixels
// straight into memory the picture then uses as its own, instead of streaming
// tens of megabytes through the socket and copying them twice more. Null when the
// server or the screen's pixel layout does not allow it.
QImage grabShared(QScreen *screen) {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    // Scaled screens keep the toolkit's own path, which knows their device geometry.
    if (!display || screen->devicePixelRatio() != 1.0 || !XShmQueryExtension(display))
        return {};
    const int number = DefaultScreen(display);
    Visual *visual = DefaultVisual(display, number);
    const int depth = DefaultDepth(display, number);
    if ((depth != 24 && depth != 32) || visual->red_mask != 0xff0000 || visual->green_mask != 0xff00 ||
        visual->blue_mask != 0xff)
        return {};
    const QRect area = screen->geometry();
    if (area.isEmpty())
        return {};

    XShmSegmentInfo info{};
    XImage *ximage = XShmCreateImage(display, visual, unsigned(depth), ZPixmap, nullptr, &info, unsigned(area.width()),
                                     unsigned(area.height()));
    if (!ximage)
        return {};
    if (ximage->bits_per_pixel != 32 || ximage->byte_order != LSBFirst) {
        XDestroyImage(ximage);
        return {};
    }
    const size_t bytes = size_t(ximage->bytes_per_line) * size_t(ximage->height);
    info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (info.shmid < 0) {
        XDestroyImage(ximage);
        return {};
    }
    void *address = shmat(info.shmid, nullptr, 0);
    if (address == reinterpret_cast<void *>(-1)) {
        shmctl(info.shmid, IPC_RMID, nullptr);
        XDestroyImage(ximage);
        return {};
    }
    info.shmaddr = ximage->data = static_cast<char *>(address);
    info.readOnly = False;
    bool ok = XShmAttach(display, &info);
    XSync(display, False);
    // Marked for removal at once: the segment goes away with its last user, even
    // when this program does not end cleanly.
    shmctl(info.shmid, IPC_RMID, nullptr);
    if (ok)
        ok = XShmGetImage(display, DefaultRootWindow(display), ximage, area.x(), area.y(), AllPlanes);
    XShmDetach(display, &info);
    XFlush(display);
    const int stride = ximage->bytes_per_line;
    ximage->data = nullptr; // the segment is not the image's to free
    XDestroyImage(ximage);
    if (!ok) {
        shmdt(address);
        return {};
    }
    // The byte above the colour is padding the server leaves as it likes; the picture is opaque.
    auto *pixels = static_cast<quint32 *>(address);
    const size_t count = bytes / sizeof(quint32);
    for (size_t i = 0; i < count; ++i)
        pixels[i] |= 0xff000000u;
    return QImage(static_cast<uchar *>(address), area.width(), area.height(), stride, QImage::Format_RGB32,
                  detachSegment, address);
}

} // namespace

QImage grabScreen(QScreen *screen) {
    if (!screen)
        return {};
    QImage image = grabShared(screen);
    if (image.isNull()) {
        // Window 0 is the root: the picture of the screen's own area of the desktop.
        const QPixmap pixmap = screen->grabWindow(0);
        if (pixmap.isNull())
            return {};
        image = pixmap.toImage();
        if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied)
            image = image.convertToFormat(QImage::Format_RGB32);
    }
    image.setDevicePixelRatio(screen->devicePixelRatio());
    return image;
}

} // namespace qn
