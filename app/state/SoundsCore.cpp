#include "app/state/SoundsCore.h"

#include "platform/Sounds.h"

#include <QString>

namespace qn {

std::optional<bool> SoundsCore::playScreenshotSound() { return Sounds::play(QStringLiteral(":/sounds/Click_updated.wav")); }
std::optional<bool> SoundsCore::playStartVideoSound() { return Sounds::play(QStringLiteral(":/sounds/start_video.wav")); }
std::optional<bool> SoundsCore::playStopPauseVideoSound() {
    return Sounds::play(QStringLiteral(":/sounds/stop-pause_video.wav"));
}

} // namespace qn
