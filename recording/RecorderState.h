#pragma once

namespace qn {

// The three looks of everything that shows a recording. A pause flag without a
// recording counts as idle: the flag can be left over from an ended recording.
enum class RecorderState { Idle, Recording, Paused };

constexpr RecorderState recorderState(bool isRecording, bool isPaused) {
    if (isRecording && isPaused)
        return RecorderState::Paused;
    if (!isRecording)
        return RecorderState::Idle;
    return RecorderState::Recording;
}

} // namespace qn
