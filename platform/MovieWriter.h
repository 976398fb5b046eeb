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
//
// While recording, the movie is "<name>.recording.mov" beside path(), written in
// fragments of at most a second that reach the file as they close, and locked for
// as long as the writer lives: whatever ends the process, the file plays up to its
// last second, and recoverLeftovers() tells it apart from a recording still going
// on (also one of another display). finish() turns it into path(), an ordinary
// movie with its index first, by stream copy.
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
        // False: the movie has no sound track, and appendAudio takes nothing.
        bool audio = true;
    };

    struct RecoveredMovie {
        QString path;    // where the movie is now (or the leftover, when it could not be moved)
        bool ok = false; // a playable movie is at path
        QString error;   // when ok: why it was kept as recorded; else why nothing was made
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
    // complete. True when a playable movie is at path(). Safe to call twice and when
    // never started. path() can change here, only when its name was taken by
    // someone else during the recording.
    bool finish(int64_t endUs);
    // The disk had no room to turn the recording into the ordinary movie: the
    // recording itself, playable but fragmented, is at path().
    bool keptFragmented() const;
    Status status() const;
    QString errorText() const;
    // Pictures the writer had to turn away because the encoder was behind.
    int64_t droppedFrames() const;
    // The disk ran low: nothing more is taken; finish() still completes the movie.
    bool diskFull() const;
    int64_t encodedFrames() const;

    // Finishes the recordings in `folder` that a killed or crashed writer left (the
    // last, torn fragment is dropped) the way finish() does, each under its own
    // movie name. Recordings still being written, by any process, are left alone.
    // Cheap when there is nothing to do (the folder is listed, FFmpeg is not
    // loaded); when there is, it takes as long as copying those files, so call it
    // off the GUI thread.
    static std::vector<RecoveredMovie> recoverLeftovers(const QString &folder);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace qn
