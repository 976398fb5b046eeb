#include "recording/MainStreamOutput.h"

#include <algorithm>

namespace qn {

MainStreamOutput::Decision MainStreamOutput::handle(int64_t pts, Status status, bool recording, bool paused,
                                                    bool writing) {
    Decision drop;
    if (!recording)
        return drop;

    const bool duplicate =
        std::find(m_lastSampleTimes.begin(), m_lastSampleTimes.end(), pts) != m_lastSampleTimes.end() ||
        pts < m_lastSampleTime;
    m_lastSampleTimes.push_back(pts);

    if (paused || duplicate) {
        // Before the first frame there is no time line to shift yet.
        m_cacheOffset = m_hasLastFrame ? pts - m_lastSampleTime : 0;
        if (duplicate)
            m_needOffset = true;
        return drop;
    }
    // Samples dropped above are never taken back out, so the window only grows
    // by them; steady recording keeps it at its size.
    if (m_lastSampleTimes.size() > kRecentTimes)
        m_lastSampleTimes.pop_front();

    if (m_needOffset) {
        m_needOffset = false;
        m_offset += m_cacheOffset;
        m_cacheOffset = 0;
    }

    if (status == Status::Complete) {
        if (!writing)
            return drop;
        Decision write;
        write.kind = Decision::Kind::Write;
        if (m_firstSampleTime == 0) {
            m_firstSampleTime = pts;
            write.startsSession = true;
        }
        write.pts = pts - m_offset;
        return write;
    }
    if (!writing || !m_hasLastFrame)
        return drop;
    Decision repeat;
    repeat.kind = Decision::Kind::Repeat;
    repeat.pts = pts - m_offset;
    return repeat;
}

void MainStreamOutput::frameWritten(int64_t retimedPts, int64_t captureTime) {
    m_hasLastFrame = true;
    m_lastWrittenPts = retimedPts;
    m_lastSampleTime = captureTime;
}

} // namespace qn
