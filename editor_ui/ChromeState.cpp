#include "editor_ui/ChromeState.h"

namespace qn {

ChromeState::ChromeState(QObject *parent) : QObject(parent) {}

void ChromeState::setTool(Tool value) {
    m_tool = value;
    Q_EMIT toolChanged();
}
void ChromeState::setQuickTool(Tool value) {
    m_quickTool = value;
    Q_EMIT quickToolChanged();
}
void ChromeState::setColor(const QNColor &value) {
    m_color = value;
    Q_EMIT colorChanged();
}
void ChromeState::setCanUndo(bool value) {
    m_canUndo = value;
    Q_EMIT canUndoChanged();
}
void ChromeState::setCanRedo(bool value) {
    m_canRedo = value;
    Q_EMIT canRedoChanged();
}
void ChromeState::setCroppedArea(const QRectF &value) {
    m_croppedArea = value;
    Q_EMIT croppedAreaChanged();
}
void ChromeState::setTrackCursor(bool value) {
    m_trackCursor = value;
    Q_EMIT trackCursorChanged();
}
void ChromeState::setIsRecording(bool value) {
    m_isRecording = value;
    Q_EMIT isRecordingChanged();
}
void ChromeState::setIsPaused(bool value) {
    m_isPaused = value;
    Q_EMIT isPausedChanged();
}

} // namespace qn
