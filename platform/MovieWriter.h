#pragma once
#include "platform/ScreenStream.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace qn {

// A QuickTime movie (H.264 video tagged BT.709, AAC mono audio) written by FFmpeg,
// which is loaded when the first movie starts (MovieEncoder.h).
// Appends return at once: encoding and writing happen on the writer's own thread.
// Video times must increase; a frame at or before the last one is dropped, never
// an error. Audio samples are taken as one gapless run starting at time 0.
class MovieWriter {
public:
    enum class Status { Unknown = 0, Writing = 1, Completed = 2, Failed = 3, Cancelled = 4 };

    struct Settings {
        QString path;
        int width = 0; // even sizes; odd ones are cut down by one
        int height = 0;
        int fps = 30;
        int sampleRate = 44100;
        int audioBitRate = 128000;
        QString preset = QStringLiteral("veryfast");
        int crf = 23;
        int maxQueuedFrames = 3; // pictures waiting for the encoder
        // Below this much free space on the movie's disk the writer takes nothing
        // more, so that what it has can still be finished into a playable movie.
        int64_t minFreeBytes = int64_t(64) << 20;
        // Free bytes of the disk that holds a folder; empty means statvfs.
        std::function<int64_t(const QString &folder)> freeSpace;
    };

    MovieWriter();
    ~MovieWriter();
    MovieWriter(const MovieWriter &) = delete;
    MovieWriter &operator=(const MovieWriter &) = delete;

    // Opens the file and its encoders and starts the writer's thread (the status
    // becomes Writing). False with `error` set when any of it fails. The file is
    // made new, never one that is there already (nor one a link points to): when
    // the name is taken, " 2", " 3"... goes before the extension; path() tells
    // the name used.
    bool start(const Settings &settings, QString *error);
    QString path() const;
    // A new picture at `ptsUs` (microseconds on the movie's time line). False when
    // the picture was not taken (queue full, out of order, not writing).
    bool appendVideo(FrameBufferPtr picture, int64_t ptsUs);
    // The last picture lasts at least until `ptsUs`: nothing is encoded now.
    void holdVideo(int64_t ptsUs);
    void appendAudio(const int16_t *samples, size_t count);
    // Audio samples taken so far.
    int64_t audioSamples() const;
    // Ends the movie at `endUs` (the last picture is held until then, the sound is
    // cut or padded with silence to the same end) and waits until the file is
    // complete. Safe to call twice and when never started.
    bool finish(int64_t endUs);
    Status status() const;
    QString errorText() const;
    // Pictures the writer had to turn away because the encoder was behind.
    int64_t droppedFrames() const;
    // The disk ran low: nothing more is taken; finish() still completes the movie.
    bool diskFull() const;
    int64_t encodedFrames() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace qn
