#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qn {

// Where the microphone's samples go on the movie's time line. Sound reaches the
// program in chunks that can be seconds late, so pause, resume and mute are kept
// with the capture-clock time at which they happened, and each sample is judged
// by the time it was taken, not by when it arrived.
class AudioTimeline {
public:
    static constexpr int kSampleRate = 44100;

    // A run of samples of one chunk that lands in one stretch of the movie.
    struct Run {
        size_t from = 0; // index of its first sample in the chunk
        size_t count = 0;
        int64_t moviePosition = 0; // µs on the movie's time line
        bool muted = false;
    };
    struct Placement {
        std::vector<Run> runs;
        // Samples from here on wait for the picture to say where a resumed
        // stretch starts; `count` of the chunk when none wait.
        size_t holdFrom = 0;
    };

    void reset();
    // The picture's first frame (its capture time) and the offset then in force.
    void start(int64_t firstSampleTime, int64_t offset);
    // The recording pauses at `time`; sound after it is left out.
    void pause(int64_t time);
    // The recording goes on from `time`; its sound waits for resumeOffset.
    void resume(int64_t time);
    // The first picture after a resume was placed with this offset.
    void resumeOffset(int64_t offset);
    void setMuted(int64_t time, bool muted);

    bool started() const { return !m_segments.empty(); }
    Placement place(int64_t chunkStart, size_t count) const;

    static int64_t sampleTime(int64_t chunkStart, size_t index) {
        return chunkStart + int64_t(index) * 1'000'000 / kSampleRate;
    }

private:
    struct Segment {
        int64_t start = 0;
        int64_t end = INT64_MAX;
        int64_t offset = 0;
    };
    std::vector<Segment> m_segments;
    std::vector<std::pair<int64_t, bool>> m_mutes; // (time, muted) in time order
    int64_t m_first = 0;
    bool m_awaitingResume = false;
    int64_t m_resumeTime = 0;

    bool mutedAt(int64_t time) const;
};

} // namespace qn
