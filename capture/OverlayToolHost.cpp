#include "capture/OverlayToolHost.h"

#include "annotation/DrawViewModel.h"
#include "annotation/PointTool.h"
#include "app/Models.h"
#include "capture/DrawCore.h"
#include "platform/Diagnostics.h"

#include <QGuiApplication>

namespace qn {

namespace {
DrawViewModel &model() { return *Models::shared().drawViewModel(); }
} // namespace

QList<ToolPtr> OverlayToolHost::drawedTools() const { return model().drawedTools(); }
void OverlayToolHost::setDrawedTools(const QList<ToolPtr> &tools) {
    model().setDrawedTools(tools);
    // Comment points and their numbers, as a diagnostic line whenever they change.
    QStringList points;
    for (const ToolPtr &t : tools)
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
ToolPtr OverlayToolHost::drawingTool() const { return model().drawingTool(); }
void OverlayToolHost::setDrawingTool(const ToolPtr &tool) { model().setDrawingTool(tool); }
ToolPtr OverlayToolHost::needDeleteTool() const { return model().needDeleteTool(); }
void OverlayToolHost::setNeedDeleteTool(const ToolPtr &tool) { model().setNeedDeleteTool(tool); }
std::optional<QUuid> OverlayToolHost::activeTool() const { return model().activeTool(); }
void OverlayToolHost::setActiveTool(const std::optional<QUuid> &id) { model().setActiveTool(id); }
bool OverlayToolHost::isDrawing() const { return model().isDrawing(); }
void OverlayToolHost::setIsDrawing(bool drawing) { model().setIsDrawing(drawing); }

void OverlayToolHost::pinCursor(std::optional<DragCursor> cursor) {
    if (!cursor)
        model().setCacheCursor(std::nullopt);
    else if (*cursor == DragCursor::ClosedHand)
        model().setCacheCursor(DrawViewModel::imageCursor(QStringLiteral("close-hand"), {14, 14}));
    else
        model().setCacheCursor(QCursor(Qt::ArrowCursor));
}

bool OverlayToolHost::hasPinnedCursor() const { return model().cacheCursor().has_value(); }
void OverlayToolHost::clearSpaceKeyPoint() { model().setSpaceKeyPoint(std::nullopt); }
QNColor OverlayToolHost::currentColor() const { return model().color(); }
std::optional<QRectF> OverlayToolHost::maxFrame() const { return m_core.maxFrame(); }
void OverlayToolHost::registerUndo(std::function<void()> action) {
    model().undoManager()->registerUndo(std::move(action));
}
bool OverlayToolHost::canUndo() const { return model().undoManager()->canUndo(); }
bool OverlayToolHost::canRedo() const { return model().undoManager()->canRedo(); }
void OverlayToolHost::undo() { model().undoManager()->undo(); }
void OverlayToolHost::redo() { model().undoManager()->redo(); }

void OverlayToolHost::refreshUndoState() {
    model().updateUndoState();
}

DragInputs OverlayToolHost::dragInputs() const {
    const OverlayGeometry::Input input = m_core.geometryInput();
    DragInputs in;
    in.shift = input.shift;
    in.pointer = input.pointer;
    in.spaceKeyPoint = input.spaceKeyPoint;
    in.maxFrame = m_core.maxFrame();
    return in;
}

bool OverlayToolHost::alternateHeld() const {
    // As of the event being handled, not the keyboard of this moment: on a busy machine
    // Alt may already be up again when a move made with it held is handled.
    return QGuiApplication::keyboardModifiers().testFlag(Qt::AltModifier);
}

DragMoveState &OverlayToolHost::dragState() { return m_core.geometry(); }

} // namespace qn
