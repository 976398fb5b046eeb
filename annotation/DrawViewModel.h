#pragma once
#include "annotation/BaseTool.h"
#include "annotation/QNColor.h"
#include "annotation/Tool.h"
#include "annotation/UndoManager.h"

#include <QColor>
#include <QCursor>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QScreen>
#include <QUuid>
#include <functional>
#include <optional>

namespace qn {

class PreferencesStore;

// The editor state shared by the overlay, the tools and the editor chrome.
// "tool", "quickTool" and "color" persist; everything else lives for one capture.
// Every setter notifies, also when the value does not change.
class DrawViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(qn::Tool tool READ tool WRITE setTool NOTIFY toolChanged)
    Q_PROPERTY(qn::Tool quickTool READ quickTool WRITE setQuickTool NOTIFY quickToolChanged)
    Q_PROPERTY(qn::QNColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(bool chooceWindowMode READ chooceWindowMode WRITE setChooceWindowMode NOTIFY chooceWindowModeChanged)
    Q_PROPERTY(QColor whiteboard READ whiteboard WRITE setWhiteboard NOTIFY whiteboardChanged)
    Q_PROPERTY(QCursor cursor READ cursor WRITE setCursor NOTIFY cursorChanged)
    Q_PROPERTY(std::optional<QCursor> cacheCursor READ cacheCursor WRITE setCacheCursor NOTIFY cacheCursorChanged)
    Q_PROPERTY(bool trackCursor READ trackCursor WRITE setTrackCursor NOTIFY trackCursorChanged)
    Q_PROPERTY(QScreen *cropScreen READ cropScreen WRITE setCropScreen NOTIFY cropScreenChanged)
    Q_PROPERTY(QRectF tempCroppedArea READ tempCroppedArea WRITE setTempCroppedArea NOTIFY tempCroppedAreaChanged)
    Q_PROPERTY(QRectF croppedArea READ croppedArea WRITE setCroppedArea NOTIFY croppedAreaChanged)
    Q_PROPERTY(
        bool croppedAreaDrawing READ croppedAreaDrawing WRITE setCroppedAreaDrawing NOTIFY croppedAreaDrawingChanged)
    Q_PROPERTY(
        std::optional<QPointF> spaceKeyPoint READ spaceKeyPoint WRITE setSpaceKeyPoint NOTIFY spaceKeyPointChanged)
    Q_PROPERTY(std::optional<QUuid> activeTool READ activeTool WRITE setActiveTool NOTIFY activeToolChanged)
    Q_PROPERTY(qn::DrawnPtr drawingTool READ drawingTool WRITE setDrawingTool NOTIFY drawingToolChanged)
    Q_PROPERTY(qn::DrawnPtr needDeleteTool READ needDeleteTool WRITE setNeedDeleteTool NOTIFY needDeleteToolChanged)
    Q_PROPERTY(QList<qn::DrawnPtr> drawedTools READ drawedTools WRITE setDrawedTools NOTIFY drawedToolsChanged)
    Q_PROPERTY(bool isDrawing READ isDrawing WRITE setIsDrawing NOTIFY isDrawingChanged)
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY canUndoChanged)
    Q_PROPERTY(bool canRedo READ canRedo NOTIFY canRedoChanged)
    Q_PROPERTY(QString screenshotName READ screenshotName WRITE setScreenshotName NOTIFY screenshotNameChanged)

public:
    explicit DrawViewModel(PreferencesStore &store, QObject *parent = nullptr);

    Tool tool() const { return m_tool; }
    Tool quickTool() const { return m_quickTool; }
    QNColor color() const { return m_color; }
    bool chooceWindowMode() const { return m_chooceWindowMode; }
    QColor whiteboard() const { return m_whiteboard; }
    bool whiteboardOn() const { return m_whiteboard.alpha() != 0; }
    QCursor cursor() const { return m_cursor; }
    std::optional<QCursor> cacheCursor() const { return m_cacheCursor; }
    bool trackCursor() const { return m_trackCursor; }
    QScreen *cropScreen() const { return m_cropScreen; }
    QRectF tempCroppedArea() const { return m_tempCroppedArea; }
    QRectF croppedArea() const { return m_croppedArea; }
    // The crop area exists once it is not the all-zero rectangle.
    bool hasCroppedArea() const { return !isZeroRect(m_croppedArea); }
    bool croppedAreaDrawing() const { return m_croppedAreaDrawing; }
    std::optional<QPointF> spaceKeyPoint() const { return m_spaceKeyPoint; }
    std::optional<QUuid> activeTool() const { return m_activeTool; }
    DrawnPtr drawingTool() const { return m_drawingTool; }
    DrawnPtr needDeleteTool() const { return m_needDeleteTool; }
    QList<DrawnPtr> drawedTools() const { return m_drawedTools; }
    bool isDrawing() const { return m_isDrawing; }
    UndoManager *undoManager() const { return m_undoManager; }
    bool canUndo() const { return m_canUndo; }
    bool canRedo() const { return m_canRedo; }
    QString screenshotName() const { return m_screenshotName; }

    // Every write stores the value, also when it equals the current one.
    void setTool(Tool tool);
    void setQuickTool(Tool tool);
    void setColor(const QNColor &color);
    void setChooceWindowMode(bool value);
    void setWhiteboard(const QColor &value);
    void setCursor(const QCursor &value);
    void setCacheCursor(const std::optional<QCursor> &value);
    void setTrackCursor(bool value);
    void setCropScreen(QScreen *value);
    void setTempCroppedArea(const QRectF &value);
    void setCroppedArea(const QRectF &value);
    void setCroppedAreaDrawing(bool value);
    void setSpaceKeyPoint(const std::optional<QPointF> &value);
    void setActiveTool(const std::optional<QUuid> &value);
    void setDrawingTool(const DrawnPtr &value);
    void setNeedDeleteTool(const DrawnPtr &value);
    void setDrawedTools(const QList<DrawnPtr> &value);
    void setIsDrawing(bool value);
    void setScreenshotName(const QString &value);

    // Back to the empty state between captures; tool, quick tool, colour, the
    // pinned cursor, isDrawing and the screenshot name stay.
    void reset();
    // Without a colour: clear <-> white; with one: toggles from that colour. Undoable.
    void toggleWhiteboard(const std::optional<QColor> &from = std::nullopt);
    void updateUndoState();

    static bool isZeroRect(const QRectF &r) { return r.x() == 0 && r.y() == 0 && r.width() == 0 && r.height() == 0; }
    // A cursor made from an image of the program's resources (":/icons/cursors/<name>.svg"),
    // drawn at the pixel density of the screen under the pointer; the hot spot is in
    // points of a 28x28 image.
    static QCursor imageCursor(const QString &name, QPointF hotSpot);
    static QCursor drawAreaCursor();

Q_SIGNALS:
    void toolChanged();
    void quickToolChanged();
    void colorChanged();
    void chooceWindowModeChanged();
    void whiteboardChanged();
    void cursorChanged();
    void cacheCursorChanged();
    void trackCursorChanged();
    void cropScreenChanged();
    void tempCroppedAreaChanged();
    void croppedAreaChanged();
    void croppedAreaDrawingChanged();
    void spaceKeyPointChanged();
    void activeToolChanged();
    void drawingToolChanged();
    void needDeleteToolChanged();
    void drawedToolsChanged();
    void isDrawingChanged();
    void canUndoChanged();
    void canRedoChanged();
    void screenshotNameChanged();

private:
    Tool loadTool(const char *key, Tool fallback) const;
    QNColor loadColor() const;
    template <typename T, typename Signal> void assign(T &member, const T &value, Signal changed) {
        member = value;
        Q_EMIT(this->*changed)();
    }

    PreferencesStore &m_store;
    Tool m_tool;
    Tool m_quickTool;
    QNColor m_color;
    bool m_chooceWindowMode = false;
    QColor m_whiteboard = Qt::transparent;
    QCursor m_cursor;
    std::optional<QCursor> m_cacheCursor;
    bool m_trackCursor = true;
    QPointer<QScreen> m_cropScreen;
    QRectF m_tempCroppedArea;
    QRectF m_croppedArea;
    bool m_croppedAreaDrawing = false;
    std::optional<QPointF> m_spaceKeyPoint;
    std::optional<QUuid> m_activeTool;
    DrawnPtr m_drawingTool;
    DrawnPtr m_needDeleteTool;
    QList<DrawnPtr> m_drawedTools;
    bool m_isDrawing = false;
    UndoManager *m_undoManager;
    bool m_canUndo = false;
    bool m_canRedo = false;
    QString m_screenshotName;
};

} // namespace qn
