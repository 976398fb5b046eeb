#include "recording/FrameSoundSync.h"

#include "platform/MovieWriter.h"
#include "recording/StreamSettings.h"

#include <algorithm>
#include <vector>

namespace qn {

namespace {
constexpr int64_t kFrameIntervalUs = 1'000'000 / kMaxFramesPerSecond;
// Sound that lands further than one picture from where the time line wants it is
// moved there (silence in a gap, samples dropped on an overlap).
constexpr int64_t kSoundToleranceSamples = MicrophoneCapture::kSampleRate / kMaxFramesPerSecond;
constexpr size_t kMaxPendingChunks = 64;
} // namespace

void FrameSoundSync::begin(std::shared_ptr<MovieWriter> writer) {
    std::lock_guard lock(m_mutex);
    m_output = MainStreamOutput();
    m_timeline.reset();
    m_pendingSound.clear();
    m_writer = std::move(writer);
    m_takingPictures = true;
    m_takingSound = true;
    m_soundEnd = INT64_MAX;
    m_lastSoundTaken = 0;
    m_endCaptureTime = 0;
    m_waitForSound = false;
}

std::shared_ptr<MovieWriter> FrameSoundSync::writer() const {
    std::lock_guard lock(m_mutex);
    return m_writer;
}

bool FrameSoundSync::takingPictures() const {
    std::lock_guard lock(m_mutex);
    return m_takingPictures;
}

bool FrameSoundSync::writingLocked() const { return m_writer && m_writer->status() == MovieWriter::Status::Writing; }

FrameSoundSync::FrameResult FrameSoundSync::addFrame(const ScreenFrame &frame) {
    std::lock_guard lock(m_mutex);
    FrameResult result;
    if (!m_writer)
        return result;
    if (m_writer->diskFull()) {
        result.diskFull = m_takingPictures;
        return result;
    }
    const auto status = frame.status == ScreenFrame::Status::Complete ? MainStreamOutput::Status::Complete
                                                                      : MainStreamOutput::Status::Idle;
    const auto decision = m_output.handle(frame.captureTimeUs, status, m_takingPictures, m_paused, writingLocked());
    if (decision.kind == MainStreamOutput::Decision::Kind::Drop)
        return result;
    const int64_t moviePts = decision.pts - m_output.firstSampleTime();
    if (decision.kind == MainStreamOutput::Decision::Kind::Write) {
        if (!frame.buffer || !m_writer->appendVideo(frame.buffer, moviePts))
            return result;
    } else {
        if (moviePts <= m_output.lastWrittenPts() - m_output.firstSampleTime())
            return result;
        m_writer->holdVideo(moviePts);
    }
    m_output.frameWritten(decision.pts, frame.captureTimeUs);
    if (decision.startsSession) {
        m_timeline.start(frame.captureTimeUs, m_output.offset());
        m_timeline.setMuted(frame.captureTimeUs, m_muted);
    }
    m_timeline.resumeOffset(m_output.offset());
    // Sound held back since a resume can be placed now that the pause is cut out.
    std::deque<MicrophoneCapture::Chunk> waiting;
    waiting.swap(m_pendingSound);
    for (const auto &chunk : waiting)
        placeSoundLocked(chunk);
    result.placed = true;
    result.recordTime = m_output.recordTime();
    return result;
}

void FrameSoundSync::addSound(const MicrophoneCapture::Chunk &chunk) {
    std::lock_guard lock(m_mutex);
    m_lastSoundTaken = AudioTimeline::sampleTime(chunk.startTimeUs, chunk.samples.size());
    m_soundArrived.notify_all();
    // Before the first picture there is no time line, and a chunk that arrives
    // then holds only sound from before it.
    if (!m_takingSound || !writingLocked() || !m_timeline.started())
        return;
    placeSoundLocked(chunk);
}

void FrameSoundSync::placeSoundLocked(const MicrophoneCapture::Chunk &chunk) {
    const auto placement = m_timeline.place(chunk.startTimeUs, chunk.samples.size());
    for (const auto &run : placement.runs)
        writeRunLocked(chunk.samples.data() + run.from, run.count, run.moviePosition, run.muted);
    if (placement.holdFrom < chunk.samples.size() && m_pendingSound.size() < kMaxPendingChunks) {
        MicrophoneCapture::Chunk rest;
        rest.startTimeUs = AudioTimeline::sampleTime(chunk.startTimeUs, placement.holdFrom);
        rest.samples.assign(chunk.samples.begin() + ptrdiff_t(placement.holdFrom), chunk.samples.end());
        m_pendingSound.push_back(std::move(rest));
    }
}

// The sound is placed by its capture time on the picture's time line, so it stays
// with the picture across pauses and whatever the two clocks do.
void FrameSoundSync::writeRunLocked(const int16_t *samples, size_t count, int64_t moviePosition, bool muteRun) {
    if (moviePosition >= m_soundEnd)
        return;
    if (m_soundEnd != INT64_MAX)
        count =
            std::min<size_t>(count, size_t((m_soundEnd - moviePosition) * MicrophoneCapture::kSampleRate / 1'000'000));
    const int64_t target = moviePosition * MicrophoneCapture::kSampleRate / 1'000'000;
    const int64_t written = m_writer->audioSamples();
    if (target > written + kSoundToleranceSamples) {
        const std::vector<int16_t> gap(size_t(target - written), 0);
        m_writer->appendAudio(gap.data(), gap.size());
    } else if (target < written - kSoundToleranceSamples) {
        const size_t skip = std::min<size_t>(count, size_t(written - target));
        samples += skip;
        count -= skip;
    }
    if (count == 0)
        return;
    if (muteRun) {
        const std::vector<int16_t> silence(count, 0);
        m_writer->appendAudio(silence.data(), count);
    } else {
        m_writer->appendAudio(samples, count);
    }
}

void FrameSoundSync::setPaused(bool paused, int64_t now) {
    std::lock_guard lock(m_mutex);
    if (paused && !m_paused)
        m_pausedAt = now;
    m_paused = paused;
    if (paused)
        m_timeline.pause(now);
    else
        m_timeline.resume(now);
}

void FrameSoundSync::markPause() {
    std::lock_guard lock(m_mutex);
    m_output.setNeedOffset(true);
}

void FrameSoundSync::setMuted(bool muted, int64_t now) {
    std::lock_guard lock(m_mutex);
    m_muted = muted;
    m_timeline.setMuted(now, muted);
}

void FrameSoundSync::setMicrophoneRunning(bool running) {
    {
        std::lock_guard lock(m_mutex);
        m_microphoneRunning = running;
    }
    m_soundArrived.notify_all();
}

void FrameSoundSync::stopPictures(int64_t now) {
    std::lock_guard lock(m_mutex);
    m_waitForSound = m_takingSound && m_timeline.started() && m_microphoneRunning;
    m_takingPictures = false;
    m_endCaptureTime = m_paused ? m_pausedAt : now;
}

FrameSoundSync::Close FrameSoundSync::close(std::chrono::microseconds soundWait) {
    std::unique_lock lock(m_mutex);
    Close result;
    // The movie ends one picture after the last one written, so a stop while
    // paused leaves no frozen tail.
    if (m_output.hasLastFrame())
        result.endUs = m_output.lastWrittenPts() - m_output.firstSampleTime() + kFrameIntervalUs;
    m_soundEnd = result.endUs;
    // The sound of the last moments is still on its way from the sound server.
    if (m_waitForSound && soundWait.count() > 0)
        m_soundArrived.wait_for(lock, soundWait,
                                [this] { return m_lastSoundTaken >= m_endCaptureTime || !m_microphoneRunning; });
    m_takingSound = false;
    m_pendingSound.clear();
    result.writer = m_writer;
    return result;
}

int64_t FrameSoundSync::recordTime() const {
    std::lock_guard lock(m_mutex);
    return m_output.recordTime();
}

} // namespace qn
