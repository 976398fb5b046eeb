#pragma once
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace qn {

// A running microphone: mono 16-bit samples at 44.1 kHz in chunks, each stamped
// with the monotonic time of its first sample.
class MicrophoneCapture {
public:
    static constexpr int kSampleRate = 44100;
    struct Chunk {
        std::vector<int16_t> samples;
        int64_t startTimeUs = 0;
    };
    // Called on the capture's own thread.
    using ChunkHandler = std::function<void(const Chunk &)>;

    virtual ~MicrophoneCapture() = default;
    // `deviceId` as the device list gives it. False when the device cannot be opened.
    virtual bool start(const QString &deviceId, ChunkHandler onChunk) = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;

    // Qt Multimedia's audio input on a thread of its own.
    static std::unique_ptr<MicrophoneCapture> createQt();
};

} // namespace qn
