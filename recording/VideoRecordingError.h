#pragma once
#include <QString>

namespace qn {

// Every way a recording can fail, in a fixed order. Compared by case.
enum class VideoRecordingError {
    noVideoDevice,
    noAudioDevice,
    noScreen,
    cantCreateDevice,
    canCreateAVOutputAssistant,
    noVideoSettings,
    cantCreateAVAssetWriter,
    cantStartAVAssetWriter,
};

// The text printed for a failure.
QString videoRecordingErrorMessage(VideoRecordingError error);

} // namespace qn
