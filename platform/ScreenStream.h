#pragma once
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace qn {

// One picture of the stream: 32-bit BGRA, `stride` bytes per row. The memory
// belongs to the stream's pool and goes back to it when the last holder lets go.
struct FrameBuffer {
    const uint8_t *data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    virtual ~FrameBuffer() = default;
};
using FrameBufferPtr = std::shared_ptr<const FrameBuffer>;

// What the stream delivers at each tick: a new picture (complete) or the news that
// nothing changed since the last one (idle, no picture).
struct ScreenFrame {
    enum class Status { Complete, Idle };
    Status status = Status::Complete;
    int64_t captureTimeUs = 0; // monotonic clock (monotonicMicros)
    FrameBufferPtr buffer;     // null when idle
};

// A live reader of one rectangle of the screen, paced on a thread of its own.
class ScreenStream {
public:
    struct Config {
        QRect sourceRect; // in root-window pixels
        int maxFps = 30;
        int queueDepth = 6; // pictures that may be held by the consumer at once
    };
    // Called on the stream's thread, in capture order.
    using FrameHandler = std::function<void(const ScreenFrame &)>;
    // Called once, on the stream's thread, when reading stops by itself.
    using StopHandler = std::function<void(const QString &error)>;

    virtual ~ScreenStream() = default;
    // False with `error` set when the stream cannot start.
    virtual bool start(const Config &config, FrameHandler onFrame, StopHandler onStop, QString *error) = 0;
    // Stops reading; no handler runs once it returns. Harmless when not started.
    virtual void stop() = 0;
    // Ticks whose picture could not be delivered because every buffer was held.
    virtual int64_t lostFrames() const = 0;

    // The X11 reader of the root window (MIT-SHM reads, XDamage change test).
    static std::unique_ptr<ScreenStream> createX11();
};

// Microseconds of the monotonic clock every capture time is measured in.
int64_t monotonicMicros();

} // namespace qn
