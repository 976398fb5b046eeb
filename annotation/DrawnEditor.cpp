#include "annotation/DrawnEditor.h"

#include "annotation/PointTool.h"
#include "annotation/TextTool.h"
#include "annotation/DrawnFactory.h"

#include <QPointer>
#include <QTimer>
#include <cmath>

namespace qn {

namespace {
bool sameId(const DrawnPtr &a, const DrawnPtr &b) { return a && b && a->id == b->id; }

std::optional<int> numberOf(const DrawnPtr &tool) {
    if (const auto *point = dynamic_cast<const PointTool *>(tool.get()))
        return point->number;
    return std::nullopt;
}

DrawnPtr withNumber(const DrawnPtr &tool, int number) {
    auto copy = copyAs<PointTool>(tool);
    copy->number = number;
    return copy;
}
} // namespace

std::shared_ptr<PointTool> withCommentText(const PointTool &tool, const QString &text) {
    auto copy = std::make_shared<PointTool>(tool);
    copy->text = text;
    return copy;
}

DrawnEditor::DrawnEditor(DrawnHost &host, QObject *parent) : QObject(parent), m_host(host) {}

DrawnPtr DrawnEditor::makeTool(std::optional<QPointF> start, std::optional<QPointF> end, const QList<QPointF> &points,
                             Tool kind, bool isNew, const std::optional<BaseToolData> &saved) const {
    return DrawnFactory::makeTool(start, end, points, kind, isNew, saved, m_host.currentColor(), m_host.maxFrame());
}

void DrawnEditor::scheduleRefresh() {
    QPointer<DrawnEditor> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self)
            self->m_host.refreshUndoState();
    });
}

void DrawnEditor::commitDrawingTool(bool selectAfterwards) {
    const DrawnPtr drawing = m_host.drawingTool();
    if (!drawing)
        return;
    const DrawnPtr rebuilt =
        makeTool(drawing->startPoint, drawing->endPoint, drawing->points, drawing->type, false, drawing->toolData());
    const DrawnPtr replaced = m_host.needDeleteTool();
    if (rebuilt && DrawnFactory::isToolValid(*rebuilt)) {
        appendTool(rebuilt);
        m_host.setDrawingTool(nullptr);
        if (selectAfterwards)
            selectDrawnTool(rebuilt, false);
        if (replaced) {
            removeTool(replaced);
            // The old text is gone; a stale reference would hide or resurrect it.
            m_host.setNeedDeleteTool(nullptr);
        }
        return;
    }
    // A reopened text whose text was cleared is deleted (undoably) rather than kept
    // hidden in the list, where it would still be exported.
    if (drawing->type == Tool::Text && replaced && replaced->type == Tool::Text) {
        removeTool(replaced);
        m_host.setNeedDeleteTool(nullptr);
        m_host.setDrawingTool(nullptr);
    }
}

void DrawnEditor::appendTool(const DrawnPtr &tool) {
    if (!tool)
        return;
    QList<DrawnPtr> tools = m_host.drawedTools();
    tools.append(tool);
    if (const auto n = numberOf(tool)) {
        for (DrawnPtr &other : tools) {
            const auto m = numberOf(other);
            if (other->type == Tool::Point && !sameId(other, tool) && m && *m >= *n)
                other = withNumber(other, *m + 1);
        }
    }
    m_host.setDrawedTools(tools);
    scheduleRefresh();
    QPointer<DrawnEditor> self(this);
    m_host.registerUndo([self, tool] {
        if (self)
            self->removeTool(tool);
    });
}

void DrawnEditor::removeTool(const DrawnPtr &tool) {
    if (!tool)
        return;
    QList<DrawnPtr> tools = m_host.drawedTools();
    // The stored value, not a shown copy: undo must bring back what was in the list.
    DrawnPtr removed = tool;
    for (const DrawnPtr &t : tools)
        if (sameId(t, tool)) {
            removed = t;
            break;
        }
    tools.removeIf([&tool](const DrawnPtr &t) { return sameId(t, tool); });
    if (const auto n = numberOf(removed); n && removed->type == Tool::Point) {
        for (DrawnPtr &other : tools) {
            const auto m = numberOf(other);
            if (other->type == Tool::Point && m && *m > *n)
                other = withNumber(other, *m - 1);
        }
    }
    m_host.setDrawedTools(tools);
    scheduleRefresh();
    QPointer<DrawnEditor> self(this);
    m_host.registerUndo([self, removed] {
        if (self)
            self->appendTool(removed);
    });
}

void DrawnEditor::addTool(const DrawnPtr &tool, bool makeActive) {
    appendTool(tool);
    m_host.setActiveTool(makeActive && tool ? std::optional(tool->id) : std::nullopt);
    m_host.setDrawingTool(nullptr);
}

void DrawnEditor::finishEditing() {
    m_host.setActiveTool(std::nullopt);
    commitDrawingTool(false);
    m_host.setDrawingTool(nullptr);
    m_host.setNeedDeleteTool(nullptr);
}

void DrawnEditor::selectDrawnTool(const DrawnPtr &tool, bool reopen) {
    if (!tool)
        return;
    m_host.setActiveTool(tool->id);
    commitDrawingTool(false);
    m_host.setDrawingTool(nullptr);
    if (!reopen || tool->type != Tool::Text)
        return;
    const BaseToolData data = tool->toolData();
    const QList<QPointF> points = data.tool ? data.tool->points : QList<QPointF>{};
    const DrawnPtr editable = makeTool(tool->startPoint, std::nullopt, points, Tool::Text, true, data);
    if (!std::dynamic_pointer_cast<const TextTool>(editable))
        return;
    QPointer<DrawnEditor> self(this);
    QTimer::singleShot(0, this, [self, tool, editable] {
        if (self)
            self->editTextTool(tool, editable);
    });
}

void DrawnEditor::editTextTool(const DrawnPtr &kept, const DrawnPtr &editable) {
    m_host.setNeedDeleteTool(kept);
    m_host.setDrawingTool(editable);
    m_host.setActiveTool(std::nullopt);
    Q_EMIT textEditStarted();
}

void DrawnEditor::syncDrawingTool(const DrawnPtr &tool) {
    const DrawnPtr drawing = m_host.drawingTool();
    if (drawing && tool && drawing->id == tool->id)
        m_host.setDrawingTool(tool);
}

void DrawnEditor::undo() {
    if (!m_host.canUndo())
        return;
    finishEditing();
    m_host.undo();
}

void DrawnEditor::redo() {
    if (!m_host.canRedo())
        return;
    finishEditing();
    m_host.redo();
}

void DrawnEditor::selectForDrag(const DrawnPtr &shown) {
    m_host.setActiveTool(shown->id);
    commitDrawingTool(false);
    m_host.setDrawingTool(nullptr);
}

void DrawnEditor::showCopy(const DrawnPtr &shown, const DrawnPtr &copy, bool keepDragged) {
    m_host.setDrawingTool(copy);
    m_host.setNeedDeleteTool(keepDragged ? nullptr : shown);
    m_host.setActiveTool(std::nullopt);
}

void DrawnEditor::applyCopy(const DrawnPtr &shown, const DrawnPtr &copy, bool keepDragged) {
    if (shown->drawed) {
        showCopy(shown, copy, keepDragged);
        return;
    }
    // The object being drawn is moved in place: it keeps its identity.
    if (const DrawnPtr drawing = m_host.drawingTool())
        m_host.setDrawingTool(withPoints(drawing, copy->startPoint, copy->endPoint));
}

void DrawnEditor::moveDragChanged(const DrawnPtr &shown, QPointF t) {
    if (!shown)
        return;
    const bool duplicate = m_host.alternateHeld();
    DragMoveState &state = m_host.dragState();
    if (std::abs(t.x()) < 2 && std::abs(t.y()) < 2 && !m_host.needDeleteTool()) {
        // A press: remember where the object was and select it.
        state.tempLocations.remove(0);
        state.tempLocations.remove(1);
        if (shown->startPoint)
            state.tempLocations.insert(0, *shown->startPoint);
        if (shown->endPoint)
            state.tempLocations.insert(1, *shown->endPoint);
        if (!m_host.isDrawing())
            selectForDrag(shown);
        return;
    }
    const BaseToolData data = shown->toolData();
    if (state.tempLocations.contains(0) && state.tempLocations.contains(1)) {
        const DrawnPtr copy = makeTool(state.tempLocations.value(0) - t, state.tempLocations.value(1) - t,
                                      shown->points, shown->type, false, data);
        if (copy)
            applyCopy(shown, copy, duplicate);
    } else if (shown->type == Tool::Pen) {
        QList<QPointF> moved;
        moved.reserve(shown->points.size());
        for (const QPointF &p : shown->points)
            moved.append(p - t);
        if (const DrawnPtr copy = makeTool(std::nullopt, std::nullopt, moved, Tool::Pen, false, data))
            showCopy(shown, copy, duplicate);
    } else if (shown->type == Tool::Text && shown->startPoint) {
        if (const DrawnPtr copy =
                makeTool(*shown->startPoint - t, std::nullopt, shown->points, Tool::Text, false, data))
            showCopy(shown, copy, duplicate);
    }
    if (!m_host.isDrawing())
        m_host.setIsDrawing(true);
    if (!m_host.hasPinnedCursor())
        m_host.pinCursor(DragCursor::ClosedHand);
}

void DrawnEditor::moveDragEnded(const DrawnPtr &shown) {
    m_host.setIsDrawing(false);
    if (shown && shown->drawed) {
        commitDrawingTool(true);
        m_host.setNeedDeleteTool(nullptr);
    }
    m_host.dragState().tempLocations.clear();
    m_host.pinCursor(std::nullopt);
}

void DrawnEditor::resizeDragChanged(std::optional<QPointF> first, std::optional<QPointF> second,
                                   const QList<QPointF> &points, const DrawnPtr &shown, CornerType) {
    if (first && shown) {
        DragInputs inputs = m_host.dragInputs();
        DragMoveState &state = m_host.dragState();
        switch (shown->type) {
        case Tool::Line:
        case Tool::Arrow:
            if (second) {
                const QList<QPointF> ends = dragPointsFromMouse(*first, *second, inputs, state);
                first = ends.value(0);
                second = ends.value(1);
            }
            break;
        case Tool::Rectangle:
        case Tool::Oval:
        case Tool::Point:
        case Tool::Blur:
            if (second) {
                const QRectF r = rectForHandleDrag(false, true, *first, *second, inputs, state);
                first = r.topLeft();
                second = r.bottomRight();
            }
            break;
        default: break;
        }
        if (const DrawnPtr copy = makeTool(first, second, points, shown->type, false, shown->toolData()))
            applyCopy(shown, copy, false);
    }
    if (!m_host.isDrawing())
        m_host.setIsDrawing(true);
    if (!m_host.hasPinnedCursor())
        m_host.pinCursor(DragCursor::Arrow);
}

void DrawnEditor::resizeDragEnded(const DrawnPtr &shown) {
    m_host.setIsDrawing(false);
    m_host.clearSpaceKeyPoint();
    DragMoveState &state = m_host.dragState();
    state.tempStartLocation.reset();
    state.tempOffset = QSizeF();
    if (shown && shown->drawed) {
        commitDrawingTool(true);
        m_host.setNeedDeleteTool(nullptr);
    }
    m_host.pinCursor(std::nullopt);
}

void DrawnEditor::abandonDrag() {
    m_host.setIsDrawing(false);
    m_host.pinCursor(std::nullopt);
    m_host.clearSpaceKeyPoint();
    m_host.dragState().clear();
}

void DrawnEditor::saveComment(const PointTool &point, const QString &text) {
    const auto copy = withCommentText(point, text);
    if (point.drawed) {
        replaceComment(*copy, false);
        return;
    }
    if (!DrawnFactory::isToolValid(*copy))
        return;
    if (const DrawnPtr made = makeTool(copy->startPoint, copy->endPoint, copy->points, Tool::Point, true,
                                      copy->toolData()))
        addTool(made, false);
}

void DrawnEditor::replaceComment(const PointTool &edited, bool makeActive) {
    DrawnPtr old;
    for (const DrawnPtr &t : m_host.drawedTools())
        if (t->id == edited.id) {
            old = t;
            break;
        }
    if (!old)
        return;
    const DrawnPtr rebuilt =
        makeTool(edited.startPoint, edited.endPoint, edited.points, edited.type, false, edited.toolData());
    if (!rebuilt)
        return;
    removeTool(old);
    addTool(rebuilt, makeActive);
}

void DrawnEditor::deleteComment(const PointTool &point) {
    if (point.drawed) {
        removeTool(std::make_shared<PointTool>(point));
        finishEditing();
        return;
    }
    m_host.setDrawingTool(nullptr);
}

void DrawnEditor::commentClickedOutside(const PointTool &point, const QString &text) {
    if (text == point.text || !point.drawed)
        return;
    replaceComment(*withCommentText(point, text), true);
}

} // namespace qn
