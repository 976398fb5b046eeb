#include "platform/ScreenStream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Last: Xlib's macros (Status, None, Bool) would break the headers above.
#include <X11/Xlib.h>
#undef Status

using namespace qn;

namespace {

// An X server of the test's own, so that what the stream reads is only what the test
// draws. The stream opens the display DISPLAY names.
class PrivateXServer {
public:
    PrivateXServer(int width, int height) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        const std::string fd = std::to_string(fds[1]);
        m_pid = fork();
        if (m_pid == 0) {
            close(fds[0]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                   static_cast<char *>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c = 0;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (!number.empty()) {
            m_name = ":" + number;
            setenv("DISPLAY", m_name.c_str(), 1);
        }
    }
    ~PrivateXServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool running() const { return !m_name.empty(); }
    const std::string &name() const { return m_name; }

private:
    pid_t m_pid = -1;
    std::string m_name;
};

// The test's own connection, drawing straight onto the root window.
class Painter {
public:
    explicit Painter(const std::string &name) : m_display(XOpenDisplay(name.c_str())) {
        if (!m_display)
            return;
        m_root = DefaultRootWindow(m_display);
        m_gc = XCreateGC(m_display, m_root, 0, nullptr);
        XSetSubwindowMode(m_display, m_gc, IncludeInferiors);
    }
    ~Painter() {
        if (m_display) {
            XFreeGC(m_display, m_gc);
            XCloseDisplay(m_display);
        }
    }
    bool ok() const { return m_display != nullptr; }
    void fill(int x, int y, int w, int h, unsigned long rgb) {
        XSetForeground(m_display, m_gc, rgb);
        XFillRectangle(m_display, m_root, m_gc, x, y, unsigned(w), unsigned(h));
        XSync(m_display, False);
    }

private:
    Display *m_display = nullptr;
    Window m_root = 0;
    GC m_gc = nullptr;
};

uint32_t pixelAt(const FrameBuffer &frame, int x, int y) {
    uint32_t value = 0;
    std::memcpy(&value, frame.data + size_t(y) * size_t(frame.stride) + size_t(x) * 4, 4);
    return value & 0x00ffffffu;
}

// Frames as the stream's thread hands them over; the test waits on them.
class Collector {
public:
    ScreenStream::FrameHandler handler(std::function<void(const ScreenFrame &)> also = {}) {
        return [this, also](const ScreenFrame &frame) {
            if (also)
                also(frame);
            std::lock_guard lock(m_mutex);
            m_frames.push_back(frame);
            ++m_received;
            m_arrived.notify_all();
        };
    }
    // The next frame for which `accept` holds, skipping the ones before it; false when
    // none comes within a generous time.
    bool next(ScreenFrame *out, const std::function<bool(const ScreenFrame &)> &accept) {
        std::unique_lock lock(m_mutex);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (true) {
            while (!m_frames.empty()) {
                ScreenFrame frame = std::move(m_frames.front());
                m_frames.pop_front();
                if (accept(frame)) {
                    *out = std::move(frame);
                    return true;
                }
            }
            if (m_arrived.wait_until(lock, deadline) == std::cv_status::timeout && m_frames.empty())
                return false;
        }
    }
    // Waits until `done` holds, looking again whenever a frame arrives and every few
    // milliseconds (for what no frame announces, such as a lost tick).
    bool waitUntil(const std::function<bool(size_t received)> &done) {
        std::unique_lock lock(m_mutex);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done(m_received)) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            m_arrived.wait_for(lock, std::chrono::milliseconds(5));
        }
        return true;
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_frames.clear();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<ScreenFrame> m_frames;
    size_t m_received = 0;
};

bool isComplete(const ScreenFrame &f) { return f.status == ScreenFrame::Status::Complete; }

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;

class X11ScreenStreamTest : public testing::Test {
protected:
    void SetUp() override {
        if (!server.running())
            GTEST_SKIP() << "Xvfb cannot be started here";
        ASSERT_TRUE(painter.ok());
        painter.fill(0, 0, kWidth, kHeight, 0x000000);
    }
    PrivateXServer server{kWidth, kHeight};
    Painter painter{server.name()};
};

struct SourceCase {
    const char *name;
    QRect rect;
};

std::ostream &operator<<(std::ostream &os, const SourceCase &c) { return os << c.name; }

class X11ScreenStreamSource : public X11ScreenStreamTest, public testing::WithParamInterface<SourceCase> {};

// The corners of the rectangle are marked inside it and the pixels just outside it
// in another colour: an off-by-one in the read shows as a wrong corner.
TEST_P(X11ScreenStreamSource, DeliversExactlyTheSourceRectangle) {
    const QRect r = GetParam().rect;
    painter.fill(0, 0, kWidth, kHeight, 0x0000ff);
    painter.fill(r.x(), r.y(), r.width(), r.height(), 0x000000);
    painter.fill(r.x(), r.y(), 1, 1, 0xff0000);
    painter.fill(r.right(), r.bottom(), 1, 1, 0x00ff00);

    Collector frames;
    auto stream = ScreenStream::createX11();
    QString error;
    ASSERT_TRUE(stream->start({r, 30, 6}, frames.handler(), nullptr, &error)) << error.toStdString();
    ScreenFrame first;
    ASSERT_TRUE(frames.next(&first, isComplete));
    ASSERT_TRUE(first.buffer);
    EXPECT_EQ(first.buffer->width, r.width());
    EXPECT_EQ(first.buffer->height, r.height());
    EXPECT_GE(first.buffer->stride, r.width() * 4);
    EXPECT_EQ(pixelAt(*first.buffer, 0, 0), 0xff0000u);
    EXPECT_EQ(pixelAt(*first.buffer, r.width() - 1, r.height() - 1), 0x00ff00u);
    EXPECT_EQ(pixelAt(*first.buffer, r.width() - 1, 0), 0x000000u);
    EXPECT_EQ(pixelAt(*first.buffer, 0, r.height() - 1), 0x000000u);
    first.buffer.reset();
    stream->stop();
}

INSTANTIATE_TEST_SUITE_P(Rects, X11ScreenStreamSource,
                         testing::Values(SourceCase{"whole4KScreen", QRect(0, 0, kWidth, kHeight)},
                                         SourceCase{"oddOffsetAndSize", QRect(7, 3, 301, 157)},
                                         SourceCase{"bottomRightCorner", QRect(kWidth - 64, kHeight - 32, 64, 32)}),
                         [](const auto &info) { return std::string(info.param.name); });

// A change outside the rectangle is no news; one inside is a new picture.
TEST_F(X11ScreenStreamTest, OnlyAChangeInsideTheRectangleMakesANewPicture) {
    const QRect r(100, 100, 200, 100);
    Collector frames;
    auto stream = ScreenStream::createX11();
    QString error;
    ASSERT_TRUE(stream->start({r, 30, 6}, frames.handler(), nullptr, &error)) << error.toStdString();
    ScreenFrame frame;
    ASSERT_TRUE(frames.next(&frame, isComplete));
    // The screen is still: ticks go on, as idle ones.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(frames.next(&frame, [](const ScreenFrame &) { return true; }));
        EXPECT_EQ(frame.status, ScreenFrame::Status::Idle);
        EXPECT_FALSE(frame.buffer);
    }
    painter.fill(400, 400, 50, 50, 0xffffff);
    frames.clear();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(frames.next(&frame, [](const ScreenFrame &) { return true; }));
        EXPECT_EQ(frame.status, ScreenFrame::Status::Idle) << i;
    }
    painter.fill(150, 120, 10, 10, 0xffffff);
    ASSERT_TRUE(frames.next(&frame, isComplete));
    EXPECT_EQ(pixelAt(*frame.buffer, 55, 25), 0xffffffu);
    frame.buffer.reset();
    stream->stop();
    EXPECT_EQ(stream->lostFrames(), 0);
}

struct LendCase {
    const char *name;
    QSize size;
    size_t atLeast; // pictures the consumer can hold at once
};

std::ostream &operator<<(std::ostream &os, const LendCase &c) { return os << c.name; }

class X11ScreenStreamLending : public X11ScreenStreamTest, public testing::WithParamInterface<LendCase> {};

// The movie writer keeps a picture while it converts it and queues a few more; a 4K
// picture is large enough that only one is lent (the writer gives it back before it
// encodes). A consumer that keeps every picture shows how many the stream lends
// before a tick is lost; once they come back, pictures flow again.
TEST_P(X11ScreenStreamLending, LendsEnoughPicturesForTheWritersQueue) {
    const LendCase c = GetParam();
    std::mutex heldMutex;
    std::vector<FrameBufferPtr> held;
    bool keeping = true;
    Collector frames;
    auto stream = ScreenStream::createX11();
    auto keep = [&](const ScreenFrame &f) {
        std::lock_guard lock(heldMutex);
        if (f.buffer && keeping)
            held.push_back(f.buffer);
    };
    QString error;
    ASSERT_TRUE(stream->start({QRect(QPoint(0, 0), c.size), 30, 6}, frames.handler(keep), nullptr, &error))
        << error.toStdString();
    // Every tick sees a change, until the stream has no picture left to read into.
    unsigned long shade = 1;
    size_t seen = 0;
    while (stream->lostFrames() == 0) {
        painter.fill(0, 0, 16, 16, shade++);
        ASSERT_TRUE(frames.waitUntil([&](size_t received) {
            const bool moved = received > seen || stream->lostFrames() > 0;
            seen = received;
            return moved;
        }));
    }
    {
        std::lock_guard lock(heldMutex);
        EXPECT_GE(held.size(), c.atLeast);
        EXPECT_LE(held.size(), size_t(6)); // never more than the consumer may hold
        for (size_t i = 0; i < held.size(); ++i)
            for (size_t j = i + 1; j < held.size(); ++j)
                EXPECT_NE(held[i]->data, held[j]->data) << "one picture lent twice";
        keeping = false;
        held.clear();
    }
    frames.clear();
    painter.fill(0, 0, 16, 16, 0xffffff);
    ScreenFrame after;
    ASSERT_TRUE(frames.next(&after, isComplete));
    EXPECT_EQ(pixelAt(*after.buffer, 0, 0), 0xffffffu);
    after.buffer.reset();
    stream->stop();
}

INSTANTIATE_TEST_SUITE_P(Sizes, X11ScreenStreamLending,
                         testing::Values(LendCase{"screen4K", QSize(kWidth, kHeight), 1},
                                         LendCase{"screen1080p", QSize(1920, 1080), 6}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
