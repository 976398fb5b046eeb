#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>

namespace qn {

// The time line of one recording's picture: decides which stream samples go into
// the movie and at what time. Pauses are cut out, repeated or late samples are
// dropped, and a sample that reports an unchanged screen repeats the last picture.
// Times are microseconds of the capture clock; zero stands for "none yet".
// Not thread-safe: the recorder calls it under its own lock.
class MainStreamOutput {
public:
    enum class Status { Complete, Idle };
    struct Decision {
        enum class Kind { Drop, Write, Repeat };
        Kind kind = Kind::Drop;
        int64_t pts = 0; // re-timed presentation time (capture time - offset)
        bool startsSession = false;
    };

    // One sample of the stream. `recording`: the recorder takes frames at all;
    // `writing`: the movie writer is open.
    Decision handle(int64_t captureTime, Status status, bool recording, bool paused, bool writing);
    // The writer took the frame that `handle` allowed: it becomes the last one.
    void frameWritten(int64_t retimedPts, int64_t captureTime);

    // The pause button: the next accepted sample takes the paused span out.
    void setNeedOffset(bool value) { m_needOffset = value; }
    bool needOffset() const { return m_needOffset; }

    int64_t firstSampleTime() const { return m_firstSampleTime; }
    int64_t lastSampleTime() const { return m_lastSampleTime; }
    int64_t lastWrittenPts() const { return m_lastWrittenPts; }
    bool hasLastFrame() const { return m_hasLastFrame; }
    int64_t offset() const { return m_offset; }
    int64_t cacheOffset() const { return m_cacheOffset; }
    // Recorded time so far: the last written frame's time minus the first's.
    int64_t recordTime() const { return m_hasLastFrame ? m_lastWrittenPts - m_firstSampleTime : 0; }
    size_t recentTimesCount() const { return m_lastSampleTimes.size(); }

    static constexpr size_t kRecentTimes = 60;

private:
    int64_t m_firstSampleTime = 0;
    bool m_hasLastFrame = false;
    int64_t m_lastWrittenPts = 0;
    int64_t m_lastSampleTime = 0;
    std::deque<int64_t> m_lastSampleTimes;
    int64_t m_offset = 0;
    int64_t m_cacheOffset = 0;
    bool m_needOffset = false;
};

} // namespace qn
