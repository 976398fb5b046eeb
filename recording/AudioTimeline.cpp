#include "recording/AudioTimeline.h"

#include <algorithm>

namespace qn {

void AudioTimeline::reset() { *this = AudioTimeline(); }

void AudioTimeline::start(int64_t firstSampleTime, int64_t offset) {
    m_first = firstSampleTime;
    m_segments.assign(1, Segment{firstSampleTime, INT64_MAX, offset});
    m_awaitingResume = false;
}

void AudioTimeline::pause(int64_t time) {
    if (!m_segments.empty() && m_segments.back().end == INT64_MAX)
        m_segments.back().end = std::max(time, m_segments.back().start);
    m_awaitingResume = false;
}

void AudioTimeline::resume(int64_t time) {
    if (m_segments.empty() || m_segments.back().end == INT64_MAX)
        return;
    m_awaitingResume = true;
    m_resumeTime = time;
}

void AudioTimeline::resumeOffset(int64_t offset) {
    if (!m_awaitingResume)
        return;
    m_segments.push_back(Segment{m_resumeTime, INT64_MAX, offset});
    m_awaitingResume = false;
}

void AudioTimeline::setMuted(int64_t time, bool muted) {
    // A change stamped earlier than the last one (clock readings on two threads)
    // counts from the last one on.
    if (!m_mutes.empty())
        time = std::max(time, m_mutes.back().first);
    m_mutes.emplace_back(time, muted);
}

bool AudioTimeline::mutedAt(int64_t time) const {
    bool muted = false;
    for (const auto &[at, value] : m_mutes) {
        if (at > time)
            break;
        muted = value;
    }
    return muted;
}

AudioTimeline::Placement AudioTimeline::place(int64_t chunkStart, size_t count) const {
    Placement placement;
    placement.holdFrom = count;
    if (m_segments.empty() || count == 0)
        return placement;
    // Indices at which a sample's time crosses `time`.
    auto indexAt = [&](int64_t time) -> size_t {
        if (time <= chunkStart)
            return 0;
        const int64_t i = ((time - chunkStart) * kSampleRate + 999'999) / 1'000'000;
        return size_t(std::min<int64_t>(i, int64_t(count)));
    };
    for (const Segment &segment : m_segments) {
        const size_t from = indexAt(segment.start);
        const size_t to = segment.end == INT64_MAX ? count : indexAt(segment.end);
        if (from >= to)
            continue;
        // Split the stretch where the microphone was muted or unmuted.
        size_t at = from;
        while (at < to) {
            const int64_t t = sampleTime(chunkStart, at);
            const bool muted = mutedAt(t);
            size_t end = to;
            for (const auto &[change, value] : m_mutes)
                if (change > t && value != muted) {
                    end = std::clamp(indexAt(change), at + 1, to);
                    break;
                }
            placement.runs.push_back(Run{at, end - at, t - segment.offset - m_first, muted});
            at = end;
        }
    }
    if (m_awaitingResume)
        placement.holdFrom = indexAt(m_resumeTime);
    return placement;
}

} // namespace qn
