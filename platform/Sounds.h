#pragma once
#include <QString>
#include <optional>

namespace qn {

// Short sound effects from the program's resources. Where there is no audio output
// the sounds stay silent; nothing fails and nothing is shown.
namespace Sounds {
// Starts playing the WAV resource at `path` (":/sounds/…") without waiting for it
// to end. None when there is no such resource, else whether playing started.
std::optional<bool> play(const QString &path);
} // namespace Sounds

} // namespace qn
