#pragma once
#include "platform/MicrophoneCapture.h"
#include "platform/ScreenStream.h"
#include "recording/AudioTimeline.h"
#include "recording/MainStreamOutput.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

namespace qn {

class MovieWriter;

// Puts the pictures of the screen stream and the sound of the microphone on one
// time line and hands both to the movie writer. Pictures arrive on the stream's
// thread, sound on the microphone's, pause and mute on the GUI thread; everything
// here is guarded by one lock of its own, so none of them waits for another.
class FrameSoundSync {
public:
    // A new movie: nothing is taken until the first picture starts its time line.
    void begin(std::shared_ptr<MovieWriter> writer);
    // The writer of the movie under way (or last made); null before the first.
    std::shared_ptr<MovieWriter> writer() const;
    // True from begin() until stopPictures().
    bool takingPictures() const;

    struct FrameResult {
        bool diskFull = false;  // the writer takes nothing more: the recording must end
        bool placed = false;    // the picture (or its repeat) is on the time line
        int64_t recordTime = 0; // µs of movie so far
    };
    FrameResult addFrame(const ScreenFrame &frame);
    void addSound(const MicrophoneCapture::Chunk &chunk);

    void setPaused(bool paused, int64_t now);
    // The pause button: the next picture taken cuts the paused span out.
    void markPause();
    void setMuted(bool muted, int64_t now);
    // Whether sound is still on its way; a finish waits for it only then.
    void setMicrophoneRunning(bool running);

    // The first half of an end: no picture is taken from now on, and the movie
    // ends where the recording stood at `now` (or where it was paused).
    void stopPictures(int64_t now);
    // The second half, once the stream has stopped: the sound of the last moments
    // is waited for (at most `soundWait`), then nothing more is taken. Returns the
    // writer (null when none) and where the movie ends on its time line.
    struct Close {
        std::shared_ptr<MovieWriter> writer;
        int64_t endUs = 0;
    };
    Close close(std::chrono::microseconds soundWait);

    int64_t recordTime() const;

private:
    void placeSoundLocked(const MicrophoneCapture::Chunk &chunk);
    void writeRunLocked(const int16_t *samples, size_t count, int64_t moviePosition, bool muted);
    bool writingLocked() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_soundArrived;
    std::shared_ptr<MovieWriter> m_writer;
    MainStreamOutput m_output;
    AudioTimeline m_timeline;
    std::deque<MicrophoneCapture::Chunk> m_pendingSound;
    bool m_takingPictures = false;
    bool m_takingSound = false;
    bool m_paused = false;
    bool m_muted = false;
    bool m_microphoneRunning = false;
    int64_t m_pausedAt = 0;
    int64_t m_soundEnd = INT64_MAX; // movie µs; sound beyond it is cut
    int64_t m_lastSoundTaken = 0;   // capture time just after the newest sample
    int64_t m_endCaptureTime = 0;   // where the movie ends, on the capture clock
    bool m_waitForSound = false;
};

} // namespace qn
