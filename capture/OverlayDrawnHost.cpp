#include "capture/OverlayDrawnHost.h"

#include "annotation/DrawViewModel.h"
#include "annotation/PointTool.h"
#include "app/state/Models.h"
#include "capture/DrawCore.h"
#include "platform/Diagnostics.h"

#include <QGuiApplication>

namespace qn {

namespace {
DrawViewModel &model() { return *Models::shared().drawViewModel(); }
} // namespace

QList<DrawnPtr> OverlayDrawnHost::drawedTools() const { return model().drawedTools(); }
void OverlayDrawnHost::setDrawedTools(const QList<DrawnPtr> &tools) {
    model().setDrawedTools(tools);
    // Comment points and their numbers, as a diagnostic line whenever they change.
    QStringList points;
    for (const DrawnPtr &t : tools)
        if (const auto *p = dynamic_cast<const PointTool *>(t.get()))
            points.append(QStringLiteral("%1@%2,%3")
                              .arg(p->number.value_or(0))
                              .arg(qRound(p->pinPoint().x()))
                              .arg(qRound(p->pinPoint().y())));
    const QString line = points.join(QLatin1Char(' '));
    if (line != m_lastPoints) {
        m_lastPoints = line;
        diagnostics::report(diagnostics::commentPoints(line));
    }
}
DrawnPtr OverlayDrawnHost::drawingTool() const { return model().drawingTool(); }
void OverlayDrawnHost::setDrawingTool(const DrawnPtr &tool) { model().setDrawingTool(tool); }
DrawnPtr OverlayDrawnHost::needDeleteTool() const { return model().needDeleteTool(); }
void OverlayDrawnHost::setNeedDeleteTool(const DrawnPtr &tool) { model().setNeedDeleteTool(tool); }
std::optional<QUuid> OverlayDrawnHost::activeTool() const { return model().activeTool(); }
void OverlayDrawnHost::setActiveTool(const std::optional<QUuid> &id) { model().setActiveTool(id); }
bool OverlayDrawnHost::isDrawing() const { return model().isDrawing(); }
void OverlayDrawnHost::setIsDrawing(bool drawing) { model().setIsDrawing(drawing); }

void OverlayDrawnHost::pinCursor(std::optional<DragCursor> cursor) {
    if (!cursor)
        model().setCacheCursor(std::nullopt);
    else if (*cursor == DragCursor::ClosedHand)
        model().setCacheCursor(DrawViewModel::imageCursor(QStringLiteral("close-hand"), {14, 14}));
    else
        model().setCacheCursor(QCursor(Qt::ArrowCursor));
}

bool OverlayDrawnHost::hasPinnedCursor() const { return model().cacheCursor().has_value(); }
void OverlayDrawnHost::clearSpaceKeyPoint() { model().setSpaceKeyPoint(std::nullopt); }
QNColor OverlayDrawnHost::currentColor() const { return model().color(); }
std::optional<QRectF> OverlayDrawnHost::maxFrame() const { return m_core.maxFrame(); }
void OverlayDrawnHost::registerUndo(std::function<void()> action) {
    model().undoManager()->registerUndo(std::move(action));
}
bool OverlayDrawnHost::canUndo() const { return model().undoManager()->canUndo(); }
bool OverlayDrawnHost::canRedo() const { return model().undoManager()->canRedo(); }
void OverlayDrawnHost::undo() { model().undoManager()->undo(); }
void OverlayDrawnHost::redo() { model().undoManager()->redo(); }

void OverlayDrawnHost::refreshUndoState() {
    model().updateUndoState();
}

DragInputs OverlayDrawnHost::dragInputs() const {
    const OverlayGeometry::Input input = m_core.geometryInput();
    DragInputs in;
    in.shift = input.shift;
    in.pointer = input.pointer;
    in.spaceKeyPoint = input.spaceKeyPoint;
    in.maxFrame = m_core.maxFrame();
    return in;
}

bool OverlayDrawnHost::alternateHeld() const {
    // As of the event being handled, not the keyboard of this moment: on a busy machine
    // Alt may already be up again when a move made with it held is handled.
    return QGuiApplication::keyboardModifiers().testFlag(Qt::AltModifier);
}

DragMoveState &OverlayDrawnHost::dragState() { return m_core.geometry(); }

} // namespace qn
