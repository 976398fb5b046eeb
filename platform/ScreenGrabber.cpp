#include "platform/ScreenGrabber.h"

#include "platform/RowBands.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

#include <mutex>
#include <vector>

namespace qn {

namespace {

#ifdef MADV_POPULATE_WRITE
constexpr int kPopulateWrite = MADV_POPULATE_WRITE;
#else
constexpr int kPopulateWrite = 23; // Linux 5.14
#endif

// A shared memory segment the X server keeps attached: the server writes a screen
// straight into it and the picture then uses it as its own memory. A free segment
// is reused until releaseScreenGrabMemory() gives it back.
struct Segment {
    XShmSegmentInfo info{};
    size_t size = 0;
    bool inUse = false;
};

std::mutex &poolMutex() {
    static std::mutex mutex;
    return mutex;
}

// Only touched on the GUI thread, except `inUse`, which is guarded by poolMutex():
// a picture may be let go on any thread.
std::vector<Segment *> &pool() {
    static std::vector<Segment *> segments;
    return segments;
}

void releaseSegment(void *segment) {
    std::lock_guard lock(poolMutex());
    static_cast<Segment *>(segment)->inUse = false;
}

Segment *createSegment(Display *display, size_t size) {
    auto *segment = new Segment;
    segment->size = size;
    segment->info.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (segment->info.shmid < 0) {
        delete segment;
        return nullptr;
    }
    void *address = shmat(segment->info.shmid, nullptr, 0);
    if (address == reinterpret_cast<void *>(-1)) {
        shmctl(segment->info.shmid, IPC_RMID, nullptr);
        delete segment;
        return nullptr;
    }
    // Every page at once, in one call: far cheaper than the page fault per page the
    // server's write and our first reading would otherwise take. Older kernels
    // refuse the advice; the pages then come one fault at a time.
    madvise(address, size, kPopulateWrite);
    segment->info.shmaddr = static_cast<char *>(address);
    segment->info.readOnly = False;
    const bool attached = XShmAttach(display, &segment->info);
    XSync(display, False);
    // Marked for removal at once: the segment goes away with its last user, even
    // when this program does not end cleanly.
    shmctl(segment->info.shmid, IPC_RMID, nullptr);
    if (!attached) {
        shmdt(address);
        delete segment;
        return nullptr;
    }
    return segment;
}

void destroySegment(Display *display, Segment *segment) {
    XShmDetach(display, &segment->info);
    XFlush(display);
    shmdt(segment->info.shmaddr);
    delete segment;
}

// A free segment of exactly `size` bytes (made when there is none). Free segments
// of other sizes (screens that changed) are given back.
Segment *takeSegment(Display *display, size_t size) {
    std::lock_guard lock(poolMutex());
    Segment *found = nullptr;
    auto &segments = pool();
    for (auto it = segments.begin(); it != segments.end();) {
        Segment *segment = *it;
        if (!segment->inUse && segment->size == size && !found) {
            found = segment;
        } else if (!segment->inUse && segment->size != size && size > 0) {
            destroySegment(display, segment);
            it = segments.erase(it);
            continue;
        }
        ++it;
    }
    if (!found) {
        found = createSegment(display, size);
        if (!found)
            return nullptr;
        segments.push_back(found);
    }
    found->inUse = true;
    return found;
}

void makeOpaqueRun(quint32 *pixels, size_t count) {
    for (size_t i = 0; i < count; ++i)
        pixels[i] |= 0xff000000u;
}

// The screen read through a shared memory segment. Null when the server or the
// screen's pixel layout does not allow it. The alpha bytes are the server's.
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

    XShmSegmentInfo shape{};
    XImage *ximage = XShmCreateImage(display, visual, unsigned(depth), ZPixmap, nullptr, &shape, unsigned(area.width()),
                                     unsigned(area.height()));
    if (!ximage)
        return {};
    const int stride = ximage->bytes_per_line;
    const size_t bytes = size_t(stride) * size_t(ximage->height);
    Segment *segment =
        (ximage->bits_per_pixel == 32 && ximage->byte_order == LSBFirst) ? takeSegment(display, bytes) : nullptr;
    bool ok = false;
    if (segment) {
        ximage->obdata = reinterpret_cast<char *>(&segment->info);
        ximage->data = segment->info.shmaddr;
        ok = XShmGetImage(display, DefaultRootWindow(display), ximage, area.x(), area.y(), AllPlanes);
    }
    ximage->data = nullptr; // the segment is not the image's to free
    XDestroyImage(ximage);
    if (!ok) {
        if (segment)
            releaseSegment(segment);
        return {};
    }
    return QImage(reinterpret_cast<uchar *>(segment->info.shmaddr), area.width(), area.height(), stride,
                  QImage::Format_RGB32, releaseSegment, segment);
}

} // namespace

void releaseScreenGrabMemory() {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return;
    std::lock_guard lock(poolMutex());
    auto &segments = pool();
    for (auto it = segments.begin(); it != segments.end();) {
        if ((*it)->inUse) {
            ++it;
            continue;
        }
        destroySegment(display, *it);
        it = segments.erase(it);
    }
}

QImage grabScreen(QScreen *screen) {
    bool later = false;
    QImage image = grabScreenOpaqueLater(screen, &later);
    if (later)
        makeGrabOpaque(image);
    return image;
}

void makeGrabOpaque(const QImage &grab) {
    if (grab.isNull() || grab.depth() != 32)
        return;
    // In place on purpose: the picture's memory is the grab's own (shared with the
    // server), never copied; detaching would cost a whole screen.
    auto *pixels = reinterpret_cast<quint32 *>(const_cast<uchar *>(grab.constBits()));
    const size_t rowPixels = size_t(grab.bytesPerLine()) / sizeof(quint32);
    // A small picture is done sooner on one core than handed to the pool.
    if (size_t(grab.sizeInBytes()) < (size_t(1) << 22)) {
        makeOpaqueRun(pixels, rowPixels * size_t(grab.height()));
        return;
    }
    forEachRowBand(0, grab.height(), [=](int first, int end) {
        makeOpaqueRun(pixels + rowPixels * size_t(first), rowPixels * size_t(end - first));
    });
}

QFuture<void> makeGrabOpaqueInBackground(const QImage &grab) {
    return QtConcurrent::run([grab] { makeGrabOpaque(grab); });
}

QImage grabScreenOpaqueLater(QScreen *screen, bool *opaqueLater) {
    *opaqueLater = false;
    if (!screen)
        return {};
    QImage image = grabShared(screen);
    // The byte above the colour is padding the server leaves as it likes.
    *opaqueLater = !image.isNull();
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
