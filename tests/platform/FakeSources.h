#pragma once
#include "platform/MicrophoneCapture.h"
#include "platform/ScreenStream.h"

#include <QColor>
#include <memory>
#include <mutex>
#include <vector>

// A picture filled with one colour, owned by itself.
struct SolidFrame final : qn::FrameBuffer {
    std::vector<uint8_t> bytes;
    SolidFrame(int w, int h, QColor color) : bytes(size_t(w) * size_t(h) * 4) {
        width = w;
        height = h;
        stride = w * 4;
        for (size_t i = 0; i < bytes.size(); i += 4) {
            bytes[i] = uint8_t(color.blue());
            bytes[i + 1] = uint8_t(color.green());
            bytes[i + 2] = uint8_t(color.red());
            bytes[i + 3] = 255;
        }
        data = bytes.data();
    }
};

// The test drives the stream: it hands frames in when it wants, on its own thread.
struct FakeStreamControl {
    std::mutex mutex;
    qn::ScreenStream::FrameHandler onFrame;
    qn::ScreenStream::StopHandler onStop;
    qn::ScreenStream::Config config;
    bool started = false;
    bool failStart = false;
    void frame(const qn::ScreenFrame &f) {
        qn::ScreenStream::FrameHandler h;
        {
            std::lock_guard lock(mutex);
            h = onFrame;
        }
        if (h)
            h(f);
    }
    void fail() {
        qn::ScreenStream::StopHandler h;
        {
            std::lock_guard lock(mutex);
            h = onStop;
            onFrame = nullptr;
        }
        if (h)
            h(QStringLiteral("gone"));
    }
};

struct FakeStream final : qn::ScreenStream {
    std::shared_ptr<FakeStreamControl> control;
    explicit FakeStream(std::shared_ptr<FakeStreamControl> c) : control(std::move(c)) {}
    bool start(const Config &config, FrameHandler onFrame, StopHandler onStop, QString *error) override {
        std::lock_guard lock(control->mutex);
        if (control->failStart) {
            *error = QStringLiteral("no stream today");
            return false;
        }
        control->config = config;
        control->onFrame = std::move(onFrame);
        control->onStop = std::move(onStop);
        control->started = true;
        return true;
    }
    void stop() override {
        std::lock_guard lock(control->mutex);
        control->onFrame = nullptr;
        control->onStop = nullptr;
        control->started = false;
    }
    int64_t lostFrames() const override { return 0; }
};

struct FakeMicControl {
    std::mutex mutex;
    qn::MicrophoneCapture::ChunkHandler onChunk;
    bool running = false;
    void chunk(const qn::MicrophoneCapture::Chunk &c) {
        qn::MicrophoneCapture::ChunkHandler h;
        {
            std::lock_guard lock(mutex);
            h = onChunk;
        }
        if (h)
            h(c);
    }
};

struct FakeMic final : qn::MicrophoneCapture {
    std::shared_ptr<FakeMicControl> control;
    explicit FakeMic(std::shared_ptr<FakeMicControl> c) : control(std::move(c)) {}
    bool start(const QString &, ChunkHandler onChunk) override {
        std::lock_guard lock(control->mutex);
        control->onChunk = std::move(onChunk);
        control->running = true;
        return true;
    }
    void stop() override {
        std::lock_guard lock(control->mutex);
        control->onChunk = nullptr;
        control->running = false;
    }
    bool isRunning() const override { return control->running; }
};
