#include "platform/ScreenStream.h"

#include <QScopeGuard>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>

// Xlib's Status macro would clash with the frame's status names below.
#undef Status

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <ctime>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace qn {

int64_t monotonicMicros() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

namespace {

// Xlib reports errors through one process-wide handler. Ours notes the errors of
// the stream's own connections and hands every other one to the handler that was
// there before, so the rest of the program keeps its behaviour.
std::mutex errorMutex;
std::vector<Display *> streamDisplays;
std::atomic<int> streamErrors{0};
XErrorHandler previousHandler = nullptr;
bool handlerInstalled = false;

int onXError(Display *display, XErrorEvent *event) {
    {
        std::lock_guard lock(errorMutex);
        if (std::find(streamDisplays.begin(), streamDisplays.end(), display) != streamDisplays.end()) {
            ++streamErrors;
            return 0;
        }
    }
    return previousHandler ? previousHandler(display, event) : 0;
}

void registerDisplay(Display *display) {
    std::lock_guard lock(errorMutex);
    if (!handlerInstalled) {
        previousHandler = XSetErrorHandler(onXError);
        handlerInstalled = true;
    }
    streamDisplays.push_back(display);
}

void unregisterDisplay(Display *display) {
    std::lock_guard lock(errorMutex);
    streamDisplays.erase(std::remove(streamDisplays.begin(), streamDisplays.end(), display), streamDisplays.end());
}

// The stream's own X connection, closed by its owner.
struct DisplayCloser {
    void operator()(Display *display) const {
        unregisterDisplay(display);
        XCloseDisplay(display);
    }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// One shared-memory picture; the X server writes into it directly, and the
// consumer reads from the same memory, so a frame is never copied in between.
// Owns the picture's description, its segment and the server's attachment.
struct ShmBuffer {
    Display *display = nullptr;
    XShmSegmentInfo info{};
    XImage *image = nullptr;
    bool attached = false;
    std::atomic<bool> held{false};

    ShmBuffer() = default;
    ShmBuffer(const ShmBuffer &) = delete;
    ShmBuffer &operator=(const ShmBuffer &) = delete;
    ~ShmBuffer() {
        if (attached)
            XShmDetach(display, &info);
        if (image)
            XDestroyImage(image); // an image of XShmCreateImage leaves its data alone
        if (info.shmaddr)
            shmdt(info.shmaddr);
    }

    // A picture of `size` for the default visual; false when the server or the
    // system cannot share one.
    bool make(Display *connection, QSize size) {
        display = connection;
        const int screen = DefaultScreen(display);
        image = XShmCreateImage(display, DefaultVisual(display, screen), unsigned(DefaultDepth(display, screen)),
                                ZPixmap, nullptr, &info, unsigned(size.width()), unsigned(size.height()));
        if (!image)
            return false;
        info.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * size_t(image->height), IPC_CREAT | 0600);
        if (info.shmid < 0)
            return false;
        void *address = shmat(info.shmid, nullptr, 0);
        // Marked for removal once attached (or given up): the segment goes away with
        // its last user, also when this process is killed or a later step fails.
        const auto removeSegment = qScopeGuard([this] { shmctl(info.shmid, IPC_RMID, nullptr); });
        if (address == reinterpret_cast<void *>(-1))
            return false;
        info.shmaddr = image->data = static_cast<char *>(address);
        info.readOnly = False;
        attached = XShmAttach(display, &info);
        // The server attaches before the segment is marked, so it can still find it.
        XSync(display, False);
        return attached;
    }
};

struct HeldFrame final : FrameBuffer {
    ShmBuffer *owner = nullptr;
    std::shared_ptr<void> keepAlive; // the pool outlives every frame it lends
    ~HeldFrame() override { owner->held = false; }
};

// The stream's X connection and its shared-memory pictures. Whoever lets go of it
// last (the stream's thread, or the consumer of the last picture) detaches the
// memory and closes the connection, so the two never happen at once.
struct Pool {
    DisplayPtr display; // declared first: closed after every picture is detached
    std::vector<std::unique_ptr<ShmBuffer>> buffers;

    ShmBuffer *freePicture() const {
        for (const auto &b : buffers)
            if (!b->held)
                return b.get();
        return nullptr;
    }
};

// The change watch on the root window, given back before the connection closes.
struct DamageWatch {
    Display *display = nullptr;
    Damage damage = 0;
    DamageWatch() = default;
    DamageWatch(const DamageWatch &) = delete;
    DamageWatch &operator=(const DamageWatch &) = delete;
    ~DamageWatch() {
        if (damage)
            XDamageDestroy(display, damage);
    }
};

// How many pictures to lend: as many as the consumer may hold (the queue depth)
// within about 50 MB, and at least one. The writer gives a picture back as soon as
// it has converted it, so even a single 4K picture is free again well within a tick
// while the encoder works on its copy; a second one would cost another 33 MB, more
// than the rest of the recording's pictures together.
int pictureCount(int queueDepth, QSize size) {
    constexpr size_t kBudget = size_t(50) << 20;
    const size_t pictureBytes = std::max<size_t>(size_t(size.width()) * size_t(size.height()) * 4, 1);
    const int affordable = int(std::min<size_t>(kBudget / pictureBytes, 64));
    return std::clamp(std::min(queueDepth, affordable), 1, 6);
}

class X11ScreenStream final : public ScreenStream {
public:
    ~X11ScreenStream() override { stop(); }

    bool start(const Config &config, FrameHandler onFrame, StopHandler onStop, QString *error) override {
        stop();
        m_config = config;
        m_onFrame = std::move(onFrame);
        m_onStop = std::move(onStop);
        m_stopRequested = false;
        std::promise<QString> started;
        auto result = started.get_future();
        m_thread = std::thread([this, &started] { run(started); });
        const QString failure = result.get();
        if (!failure.isEmpty()) {
            m_thread.join();
            if (error)
                *error = failure;
            return false;
        }
        return true;
    }

    void stop() override {
        {
            std::lock_guard lock(m_wakeMutex);
            m_stopRequested = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
            m_thread.join();
    }

    int64_t lostFrames() const override { return m_lost; }

private:
    // What one run of the stream's thread works with.
    struct Session {
        std::shared_ptr<Pool> pool;
        DamageWatch watch;
        Window root = 0;
        int damageEvent = 0;
        int errorsAtStart = 0;
        bool dirty = true; // the first tick always reads
        QString failure;
    };

    void run(std::promise<QString> &started);
    // The steps of a run, in order; each failing one says why in `failure`.
    bool openConnection(Session &s);
    bool checkSource(Session &s);
    bool makePictures(Session &s);
    void watchChanges(Session &s);
    // Waits until the next tick is due; false once the stream is asked to stop.
    bool waitForTick(int64_t &next, int64_t interval, int64_t *now);
    // Takes in what the X server reported since the last tick: changes in the
    // source rectangle, and a screen that shrank under it.
    void readEvents(Session &s);
    // Reads the source into a free picture and hands it to the consumer; an unchanged
    // screen is reported as an idle tick and a tick with no free picture is lost.
    bool lendPicture(Session &s, int64_t now);

    Config m_config;
    FrameHandler m_onFrame;
    StopHandler m_onStop;
    std::thread m_thread;
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    bool m_stopRequested = false;
    std::atomic<int64_t> m_lost{0};
};

bool X11ScreenStream::openConnection(Session &s) {
    DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) {
        s.failure = QStringLiteral("Can't find screen.");
        return false;
    }
    registerDisplay(display.get());
    s.pool = std::make_shared<Pool>();
    s.pool->display = std::move(display);
    if (!XShmQueryExtension(s.pool->display.get())) {
        s.failure = QStringLiteral("The X server cannot share pictures (MIT-SHM).");
        return false;
    }
    return true;
}

bool X11ScreenStream::checkSource(Session &s) {
    Display *display = s.pool->display.get();
    s.root = RootWindow(display, DefaultScreen(display));
    const QRect rect = m_config.sourceRect;
    XWindowAttributes rootAttributes{};
    XGetWindowAttributes(display, s.root, &rootAttributes);
    if (rect.isEmpty() || rect.left() < 0 || rect.top() < 0 || rect.right() >= rootAttributes.width ||
        rect.bottom() >= rootAttributes.height) {
        s.failure = QStringLiteral("Can't find screen.");
        return false;
    }
    return true;
}

bool X11ScreenStream::makePictures(Session &s) {
    const QRect rect = m_config.sourceRect;
    const int count = pictureCount(m_config.queueDepth, rect.size());
    for (int i = 0; i < count; ++i) {
        auto buffer = std::make_unique<ShmBuffer>();
        const bool made = buffer->make(s.pool->display.get(), rect.size());
        s.pool->buffers.push_back(std::move(buffer));
        if (!made) {
            s.failure = QStringLiteral("The screen cannot be read.");
            return false;
        }
    }
    if (s.pool->buffers.front()->image->bits_per_pixel != 32) {
        s.failure = QStringLiteral("The screen's pixel format is not supported.");
        return false;
    }
    return true;
}

void X11ScreenStream::watchChanges(Session &s) {
    Display *display = s.pool->display.get();
    int damageError = 0, fixesEvent = 0, fixesError = 0;
    const bool haveDamage = XDamageQueryExtension(display, &s.damageEvent, &damageError);
    const bool haveFixes = XFixesQueryExtension(display, &fixesEvent, &fixesError);
    // Changes are learnt from the damage events' boxes alone. Fetching the damaged
    // region itself is no option: a shape of many parts that changes (strokes fading
    // over the recording) leaves hundreds of thousands of rectangles a second in it,
    // and reading them took longer than a tick.
    s.watch.display = display;
    if (haveDamage && haveFixes)
        s.watch.damage = XDamageCreate(display, s.root, XDamageReportBoundingBox);
    XSelectInput(display, s.root, StructureNotifyMask);
    XSync(display, False);
    s.errorsAtStart = streamErrors.load();
}

bool X11ScreenStream::waitForTick(int64_t &next, int64_t interval, int64_t *now) {
    {
        std::unique_lock lock(m_wakeMutex);
        const int64_t wait = next - monotonicMicros();
        if (wait > 0)
            m_wake.wait_for(lock, std::chrono::microseconds(wait), [this] { return m_stopRequested; });
        if (m_stopRequested)
            return false;
    }
    *now = monotonicMicros();
    next += interval;
    // After a stall the rhythm starts again from now rather than catching up with a
    // burst of reads.
    if (next < *now)
        next = *now + interval;
    return true;
}

void X11ScreenStream::readEvents(Session &s) {
    Display *display = s.pool->display.get();
    const QRect rect = m_config.sourceRect;
    if (s.watch.damage) {
        // Emptied first and waited for: every change made before it has then sent its
        // event, which is read below; a later one sends a new event, read at the next
        // tick.
        XDamageSubtract(display, s.watch.damage, None, None);
        XSync(display, False);
    } else {
        s.dirty = true; // without the extension every tick is a new picture
    }
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ConfigureNotify && event.xconfigure.window == s.root) {
            if (rect.right() >= event.xconfigure.width || rect.bottom() >= event.xconfigure.height)
                s.failure = QStringLiteral("The screen went away.");
        } else if (s.watch.damage && event.type == s.damageEvent + XDamageNotify) {
            const auto *notify = reinterpret_cast<const XDamageNotifyEvent *>(&event);
            const QRect area(notify->area.x, notify->area.y, notify->area.width, notify->area.height);
            s.dirty = s.dirty || area.intersects(rect);
        }
    }
}

bool X11ScreenStream::lendPicture(Session &s, int64_t now) {
    ScreenFrame frame;
    frame.captureTimeUs = now;
    if (!s.dirty) {
        frame.status = ScreenFrame::Status::Idle;
        m_onFrame(frame);
        return true;
    }
    ShmBuffer *free = s.pool->freePicture();
    if (!free) {
        // The consumer holds every picture: this tick is lost, and the change is read
        // at the next one.
        ++m_lost;
        return true;
    }
    const QRect rect = m_config.sourceRect;
    if (!XShmGetImage(s.pool->display.get(), s.root, free->image, rect.x(), rect.y(), AllPlanes) ||
        streamErrors.load() != s.errorsAtStart) {
        s.failure = QStringLiteral("The screen cannot be read.");
        return false;
    }
    s.dirty = false;
    free->held = true;
    auto held = std::make_shared<HeldFrame>();
    held->owner = free;
    held->keepAlive = s.pool;
    held->data = reinterpret_cast<const uint8_t *>(free->image->data);
    held->width = rect.width();
    held->height = rect.height();
    held->stride = free->image->bytes_per_line;
    frame.status = ScreenFrame::Status::Complete;
    frame.buffer = std::move(held);
    m_onFrame(frame);
    return true;
}

void X11ScreenStream::run(std::promise<QString> &started) {
    QString failure;
    {
        Session s;
        if (!openConnection(s) || !checkSource(s) || !makePictures(s)) {
            started.set_value(s.failure);
            return;
        }
        watchChanges(s);
        started.set_value(QString());

        const int64_t interval = 1'000'000 / std::max(1, m_config.maxFps);
        int64_t next = monotonicMicros();
        int64_t now = 0;
        while (waitForTick(next, interval, &now)) {
            readEvents(s);
            if (!s.failure.isEmpty() || !lendPicture(s, now))
                break;
        }
        failure = s.failure;
        // The session ends here: its change watch first, while the connection is
        // open; pictures still held keep the pool, and with it the connection, alive,
        // and the last of them closes it.
    }
    if (!failure.isEmpty() && m_onStop)
        m_onStop(failure);
}

} // namespace

std::unique_ptr<ScreenStream> ScreenStream::createX11() { return std::make_unique<X11ScreenStream>(); }

} // namespace qn
