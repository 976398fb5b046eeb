#include "platform/ScreenStream.h"

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

// One shared-memory picture; the X server writes into it directly, and the
// consumer reads from the same memory, so a frame is never copied in between.
struct ShmBuffer {
    XShmSegmentInfo info{};
    XImage *image = nullptr;
    std::atomic<bool> held{false};
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
    Display *display = nullptr;
    std::vector<std::unique_ptr<ShmBuffer>> buffers;
    ~Pool() {
        for (auto &b : buffers) {
            if (b->image) {
                XShmDetach(display, &b->info);
                XDestroyImage(b->image);
            }
            if (b->info.shmaddr)
                shmdt(b->info.shmaddr);
        }
        if (display) {
            unregisterDisplay(display);
            XCloseDisplay(display);
        }
    }
};

// How many pictures to lend. The writer keeps a picture while it converts it, a
// few more wait for it, and the next read needs one that is free; with fewer than
// three at hand, every tick that meets the writer converting one picture while it
// has another waiting is lost, which is most of them at 4K. Beyond that, as many as
// the consumer may hold within about 100 MB: a 4K picture alone is 33 MB, and the
// program's memory at 4K is already well above that of a plain screen grabber.
int pictureCount(int queueDepth, QSize size) {
    constexpr size_t kBudget = size_t(100) << 20;
    const size_t pictureBytes = std::max<size_t>(size_t(size.width()) * size_t(size.height()) * 4, 1);
    const int affordable = int(std::min<size_t>(kBudget / pictureBytes, 64));
    return std::clamp(std::min(queueDepth, affordable), 3, 6);
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
    void run(std::promise<QString> &started);

    Config m_config;
    FrameHandler m_onFrame;
    StopHandler m_onStop;
    std::thread m_thread;
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    bool m_stopRequested = false;
    std::atomic<int64_t> m_lost{0};
};

void X11ScreenStream::run(std::promise<QString> &started) {
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        started.set_value(QStringLiteral("Can't find screen."));
        return;
    }
    registerDisplay(display);
    auto pool = std::make_shared<Pool>();
    pool->display = display;
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    int damageEvent = 0, damageError = 0;
    if (!XShmQueryExtension(display)) {
        pool.reset();
        started.set_value(QStringLiteral("The X server cannot share pictures (MIT-SHM)."));
        return;
    }
    const bool haveDamage = XDamageQueryExtension(display, &damageEvent, &damageError);
    int fixesEvent = 0, fixesError = 0;
    const bool haveFixes = XFixesQueryExtension(display, &fixesEvent, &fixesError);

    const QRect rect = m_config.sourceRect;
    XWindowAttributes rootAttributes{};
    XGetWindowAttributes(display, root, &rootAttributes);
    if (rect.isEmpty() || rect.left() < 0 || rect.top() < 0 || rect.right() >= rootAttributes.width ||
        rect.bottom() >= rootAttributes.height) {
        pool.reset();
        started.set_value(QStringLiteral("Can't find screen."));
        return;
    }

    const int count = pictureCount(m_config.queueDepth, rect.size());
    Visual *visual = DefaultVisual(display, screen);
    const int depth = DefaultDepth(display, screen);
    for (int i = 0; i < count; ++i) {
        auto buffer = std::make_unique<ShmBuffer>();
        buffer->image = XShmCreateImage(display, visual, unsigned(depth), ZPixmap, nullptr, &buffer->info,
                                        unsigned(rect.width()), unsigned(rect.height()));
        if (!buffer->image) {
            pool.reset();
            started.set_value(QStringLiteral("The screen cannot be read."));
            return;
        }
        buffer->info.shmid = shmget(IPC_PRIVATE, size_t(buffer->image->bytes_per_line) * size_t(buffer->image->height),
                                    IPC_CREAT | 0600);
        buffer->info.shmaddr = buffer->image->data =
            buffer->info.shmid >= 0 ? static_cast<char *>(shmat(buffer->info.shmid, nullptr, 0)) : nullptr;
        buffer->info.readOnly = False;
        if (!buffer->info.shmaddr || buffer->info.shmaddr == reinterpret_cast<char *>(-1) ||
            !XShmAttach(display, &buffer->info)) {
            if (buffer->info.shmid >= 0)
                shmctl(buffer->info.shmid, IPC_RMID, nullptr);
            buffer->info.shmaddr = nullptr;
            XDestroyImage(buffer->image);
            buffer->image = nullptr;
            pool.reset();
            started.set_value(QStringLiteral("The screen cannot be read."));
            return;
        }
        XSync(display, False);
        // Marked for removal now: the segment goes away with its last user, even
        // when this process is killed.
        shmctl(buffer->info.shmid, IPC_RMID, nullptr);
        pool->buffers.push_back(std::move(buffer));
    }
    if (pool->buffers.front()->image->bits_per_pixel != 32) {
        pool.reset();
        started.set_value(QStringLiteral("The screen's pixel format is not supported."));
        return;
    }

    // Changes are learnt from the damage events' boxes alone. Fetching the damaged
    // region itself is no option: a shape of many parts that changes (strokes fading
    // over the recording) leaves hundreds of thousands of rectangles a second in it,
    // and reading them took longer than a tick.
    Damage damage = 0;
    if (haveDamage && haveFixes)
        damage = XDamageCreate(display, root, XDamageReportBoundingBox);
    XSelectInput(display, root, StructureNotifyMask);
    XSync(display, False);
    const int errorsAtStart = streamErrors.load();
    started.set_value(QString());

    QString failure;
    bool dirty = true; // the first tick always reads
    const int64_t interval = 1'000'000 / std::max(1, m_config.maxFps);
    int64_t next = monotonicMicros();
    while (true) {
        {
            std::unique_lock lock(m_wakeMutex);
            const int64_t wait = next - monotonicMicros();
            if (wait > 0)
                m_wake.wait_for(lock, std::chrono::microseconds(wait), [this] { return m_stopRequested; });
            if (m_stopRequested)
                break;
        }
        const int64_t now = monotonicMicros();
        next += interval;
        // After a stall the rhythm starts again from now rather than catching up
        // with a burst of reads.
        if (next < now)
            next = now + interval;

        if (damage) {
            // Emptied first and waited for: every change made before it has then sent
            // its event, which is read below; a later one sends a new event, read at
            // the next tick.
            XDamageSubtract(display, damage, None, None);
            XSync(display, False);
        } else {
            dirty = true; // without the extension every tick is a new picture
        }
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ConfigureNotify && event.xconfigure.window == root) {
                if (rect.right() >= event.xconfigure.width || rect.bottom() >= event.xconfigure.height)
                    failure = QStringLiteral("The screen went away.");
            } else if (damage && event.type == damageEvent + XDamageNotify) {
                const auto *notify = reinterpret_cast<const XDamageNotifyEvent *>(&event);
                const QRect area(notify->area.x, notify->area.y, notify->area.width, notify->area.height);
                dirty = dirty || area.intersects(rect);
            }
        }
        if (!failure.isEmpty())
            break;

        ScreenFrame frame;
        frame.captureTimeUs = now;
        if (!dirty) {
            frame.status = ScreenFrame::Status::Idle;
            m_onFrame(frame);
            continue;
        }
        ShmBuffer *free = nullptr;
        for (auto &b : pool->buffers)
            if (!b->held) {
                free = b.get();
                break;
            }
        if (!free) {
            // The consumer holds every picture: this tick is lost, and the change
            // is read at the next one.
            ++m_lost;
            continue;
        }
        if (!XShmGetImage(display, root, free->image, rect.x(), rect.y(), AllPlanes) ||
            streamErrors.load() != errorsAtStart) {
            failure = QStringLiteral("The screen cannot be read.");
            break;
        }
        dirty = false;
        free->held = true;
        auto held = std::make_shared<HeldFrame>();
        held->owner = free;
        held->keepAlive = pool;
        held->data = reinterpret_cast<const uint8_t *>(free->image->data);
        held->width = rect.width();
        held->height = rect.height();
        held->stride = free->image->bytes_per_line;
        frame.status = ScreenFrame::Status::Complete;
        frame.buffer = std::move(held);
        m_onFrame(frame);
    }

    if (damage)
        XDamageDestroy(display, damage);
    // Pictures still held keep the pool, and with it the connection, alive; the
    // last of them closes it.
    pool.reset();
    if (!failure.isEmpty() && m_onStop)
        m_onStop(failure);
}

} // namespace

std::unique_ptr<ScreenStream> ScreenStream::createX11() { return std::make_unique<X11ScreenStream>(); }

} // namespace qn
