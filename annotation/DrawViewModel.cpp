#include "annotation/DrawViewModel.h"

#include "platform/PreferencesStore.h"

#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>

namespace qn {

DrawViewModel::DrawViewModel(PreferencesStore &store, QObject *parent)
    : QObject(parent), m_store(store), m_tool(loadTool("tool", Tool::Pointer)),
      m_quickTool(loadTool("quickTool", Tool::Arrow)), m_color(loadColor()), m_cursor(drawAreaCursor()),
      m_undoManager(new UndoManager(this)) {}

Tool DrawViewModel::loadTool(const char *key, Tool fallback) const {
    const auto raw = m_store.text(QLatin1String(key));
    if (!raw)
        return fallback;
    if (const auto tool = toolFromRawValue(*raw))
        return *tool;
    PreferencesStore::reportUnusable(QLatin1String(key), QStringLiteral("not a tool"));
    return fallback;
}

QNColor DrawViewModel::loadColor() const {
    const auto data = m_store.data(QStringLiteral("color"));
    if (!data)
        return QNColor::defaultColor();
    if (const auto color = QNColor::fromJson(*data))
        return *color;
    PreferencesStore::reportUnusable(QStringLiteral("color"), QStringLiteral("not a colour"));
    return QNColor::defaultColor();
}

void DrawViewModel::setTool(Tool tool) {
    m_tool = tool;
    Q_EMIT toolChanged();
    m_store.setText(QStringLiteral("tool"), toolRawValue(m_tool));
}

void DrawViewModel::setQuickTool(Tool tool) {
    m_quickTool = tool;
    Q_EMIT quickToolChanged();
    m_store.setText(QStringLiteral("quickTool"), toolRawValue(m_quickTool));
}

void DrawViewModel::setColor(const QNColor &color) {
    m_color = color;
    Q_EMIT colorChanged();
    m_store.setData(QStringLiteral("color"), m_color.toJson());
}

void DrawViewModel::setChooceWindowMode(bool v) {
    assign(m_chooceWindowMode, v, &DrawViewModel::chooceWindowModeChanged);
}
void DrawViewModel::setWhiteboard(const QColor &v) { assign(m_whiteboard, v, &DrawViewModel::whiteboardChanged); }
void DrawViewModel::setCursor(const QCursor &v) { assign(m_cursor, v, &DrawViewModel::cursorChanged); }
void DrawViewModel::setCacheCursor(const std::optional<QCursor> &v) {
    m_cacheCursor = v;
    Q_EMIT cacheCursorChanged();
}
void DrawViewModel::setTrackCursor(bool v) { assign(m_trackCursor, v, &DrawViewModel::trackCursorChanged); }
void DrawViewModel::setCropScreen(QScreen *v) {
    m_cropScreen = v;
    Q_EMIT cropScreenChanged();
}
void DrawViewModel::setTempCroppedArea(const QRectF &v) {
    assign(m_tempCroppedArea, v, &DrawViewModel::tempCroppedAreaChanged);
}
void DrawViewModel::setCroppedArea(const QRectF &v) { assign(m_croppedArea, v, &DrawViewModel::croppedAreaChanged); }
void DrawViewModel::setCroppedAreaDrawing(bool v) {
    assign(m_croppedAreaDrawing, v, &DrawViewModel::croppedAreaDrawingChanged);
}
void DrawViewModel::setSpaceKeyPoint(const std::optional<QPointF> &v) {
    assign(m_spaceKeyPoint, v, &DrawViewModel::spaceKeyPointChanged);
}
void DrawViewModel::setActiveTool(const std::optional<QUuid> &v) {
    assign(m_activeTool, v, &DrawViewModel::activeToolChanged);
}
void DrawViewModel::setDrawingTool(const DrawnPtr &v) { assign(m_drawingTool, v, &DrawViewModel::drawingToolChanged); }
void DrawViewModel::setNeedDeleteTool(const DrawnPtr &v) {
    assign(m_needDeleteTool, v, &DrawViewModel::needDeleteToolChanged);
}
void DrawViewModel::setDrawedTools(const QList<DrawnPtr> &v) {
    assign(m_drawedTools, v, &DrawViewModel::drawedToolsChanged);
}
void DrawViewModel::setIsDrawing(bool v) { assign(m_isDrawing, v, &DrawViewModel::isDrawingChanged); }
void DrawViewModel::setScreenshotName(const QString &v) {
    assign(m_screenshotName, v, &DrawViewModel::screenshotNameChanged);
}

void DrawViewModel::reset() {
    setWhiteboard(Qt::transparent);
    setChooceWindowMode(false);
    setCropScreen(nullptr);
    setCroppedArea(QRectF());
    setTempCroppedArea(QRectF());
    setCroppedAreaDrawing(false);
    setCursor(drawAreaCursor());
    setTrackCursor(true);
    setSpaceKeyPoint(std::nullopt);
    setActiveTool(std::nullopt);
    setDrawingTool(nullptr);
    setNeedDeleteTool(nullptr);
    setDrawedTools({});
    m_undoManager->removeAllActions();
    m_canRedo = false;
    Q_EMIT canRedoChanged();
    m_canUndo = false;
    Q_EMIT canUndoChanged();
}

void DrawViewModel::toggleWhiteboard(const std::optional<QColor> &from) {
    const QColor current = from.value_or(m_whiteboard);
    const QColor next = current.alpha() == 0 ? QColor(Qt::white) : QColor(Qt::transparent);
    setWhiteboard(next);
    QPointer<DrawViewModel> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self)
            self->updateUndoState();
    });
    m_undoManager->registerUndo([self, next] {
        if (self)
            self->toggleWhiteboard(next);
    });
}

void DrawViewModel::updateUndoState() {
    m_canUndo = m_undoManager->canUndo();
    Q_EMIT canUndoChanged();
    m_canRedo = m_undoManager->canRedo();
    Q_EMIT canRedoChanged();
}

QCursor DrawViewModel::imageCursor(const QString &name, QPointF hotSpot) {
    // Drawn for the screen under the pointer, which is the overlay asking for it, so
    // that screens of different densities each show it at their own size.
    const QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const qreal dpr = screen ? screen->devicePixelRatio() : 1.0;
    static QHash<QString, QCursor> cache;
    const QString key = name + QLatin1Char('@') + QString::number(hotSpot.x()) + QLatin1Char(',') +
                        QString::number(hotSpot.y()) + QLatin1Char('x') + QString::number(dpr);
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    const QString path = QStringLiteral(":/icons/cursors/") + name + QStringLiteral(".svg");
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        // A cursor image that is not packaged still leaves a usable pointer.
        const QCursor fallback(Qt::CrossCursor);
        cache.insert(key, fallback);
        return fallback;
    }
    const QSizeF size = renderer.defaultSize().isEmpty() ? QSizeF(28, 28) : QSizeF(renderer.defaultSize());
    QPixmap pixmap((size * dpr).toSize());
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    // Device pixels throughout, hot spot included: the X11 platform takes a cursor
    // image as it is and would leave a hot spot in points at half its place on 2x.
    const QCursor cursor(pixmap, qRound(hotSpot.x() * dpr), qRound(hotSpot.y() * dpr));
    cache.insert(key, cursor);
    return cursor;
}

QCursor DrawViewModel::drawAreaCursor() { return imageCursor(QStringLiteral("draw-area"), {14, 14}); }

} // namespace qn
