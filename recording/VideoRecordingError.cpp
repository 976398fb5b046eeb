#include "recording/VideoRecordingError.h"

#include <QCoreApplication>

namespace qn {

QString videoRecordingErrorMessage(VideoRecordingError error) {
    // The English texts are the translation keys; the comment tells a translator
    // what kind of failure the text names.
    switch (error) {
    case VideoRecordingError::noVideoDevice:
        return QCoreApplication::translate("VideoRecordingError", "No video device.", "No device");
    case VideoRecordingError::noAudioDevice:
        return QCoreApplication::translate("VideoRecordingError", "No audio device.", "No device");
    case VideoRecordingError::noScreen:
        return QCoreApplication::translate("VideoRecordingError", "Can't find screen.", "No screen");
    case VideoRecordingError::cantCreateDevice:
        return QCoreApplication::translate("VideoRecordingError", "Can't create device for streaming.",
                                           "Can't create device");
    case VideoRecordingError::canCreateAVOutputAssistant:
        return QCoreApplication::translate("VideoRecordingError", "Can't create AVOutputSettingsAssistant.",
                                           "Can't create AVOutputAssistant");
    case VideoRecordingError::noVideoSettings:
        return QCoreApplication::translate("VideoRecordingError", "No video settings.", "No video settings");
    case VideoRecordingError::cantCreateAVAssetWriter:
        return QCoreApplication::translate("VideoRecordingError", "Can't create AVAssetWriter.",
                                           "Can't create AVAssetWriter");
    case VideoRecordingError::cantStartAVAssetWriter:
        return QCoreApplication::translate("VideoRecordingError", "Can't start AVAssetWriter.",
                                           "Can't start AVAssetWriter");
    }
    return {};
}

} // namespace qn
