#pragma once
#include "annotation/QNColor.h"
#include "annotation/Tool.h"

#include <QObject>
#include <QRectF>

namespace qn {

// What the editor chrome shows of the editor and recording state, and the one
// value it writes back (whether the overlay follows the pointer with its cursor).
// The overlay keeps it in step with the shared models; tests set it directly.
class ChromeState : public QObject {
    Q_OBJECT
    Q_PROPERTY(qn::Tool tool READ tool WRITE setTool NOTIFY toolChanged)
    Q_PROPERTY(qn::Tool quickTool READ quickTool WRITE setQuickTool NOTIFY quickToolChanged)
    Q_PROPERTY(qn::QNColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(bool canUndo READ canUndo WRITE setCanUndo NOTIFY canUndoChanged)
    Q_PROPERTY(bool canRedo READ canRedo WRITE setCanRedo NOTIFY canRedoChanged)
    Q_PROPERTY(QRectF croppedArea READ croppedArea WRITE setCroppedArea NOTIFY croppedAreaChanged)
    Q_PROPERTY(bool trackCursor READ trackCursor WRITE setTrackCursor NOTIFY trackCursorChanged)
    Q_PROPERTY(bool isRecording READ isRecording WRITE setIsRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(bool isPaused READ isPaused WRITE setIsPaused NOTIFY isPausedChanged)

public:
    explicit ChromeState(QObject *parent = nullptr);

    Tool tool() const { return m_tool; }
    Tool quickTool() const { return m_quickTool; }
    QNColor color() const { return m_color; }
    bool canUndo() const { return m_canUndo; }
    bool canRedo() const { return m_canRedo; }
    QRectF croppedArea() const { return m_croppedArea; }
    bool trackCursor() const { return m_trackCursor; }
    bool isRecording() const { return m_isRecording; }
    bool isPaused() const { return m_isPaused; }

    // Every write notifies, also of an equal value.
    void setTool(Tool value);
    void setQuickTool(Tool value);
    void setColor(const QNColor &value);
    void setCanUndo(bool value);
    void setCanRedo(bool value);
    void setCroppedArea(const QRectF &value);
    void setTrackCursor(bool value);
    void setIsRecording(bool value);
    void setIsPaused(bool value);

Q_SIGNALS:
    void toolChanged();
    void quickToolChanged();
    void colorChanged();
    void canUndoChanged();
    void canRedoChanged();
    void croppedAreaChanged();
    void trackCursorChanged();
    void isRecordingChanged();
    void isPausedChanged();

private:
    Tool m_tool = Tool::Pointer;
    Tool m_quickTool = Tool::Arrow;
    QNColor m_color = QNColor::defaultColor();
    bool m_canUndo = false;
    bool m_canRedo = false;
    QRectF m_croppedArea;
    bool m_trackCursor = true;
    bool m_isRecording = false;
    bool m_isPaused = false;
};

} // namespace qn
