#pragma once
#include <optional>

namespace qn {

// The sounds of capturing and recording. Each call starts the sound and returns at
// once: none when the sound is missing from the program, else whether it started.
// Whether a sound is wanted (SettingsModel::muted) is the caller's decision.
class SoundsCore {
public:
    SoundsCore() = delete;
    static std::optional<bool> playScreenshotSound();
    static std::optional<bool> playStartVideoSound();
    static std::optional<bool> playStopPauseVideoSound();
};

} // namespace qn
