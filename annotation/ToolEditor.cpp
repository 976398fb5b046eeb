#include "annotation/ToolEditor.h"

#include "annotation/PointTool.h"
#include "annotation/TextTool.h"
#include "annotation/ToolFactory.h"

#include <QPointer>
#include <QTimer>
#include <cmath>

namespace qn {

namespace {
bool sameId(const ToolPtr &a, const ToolPtr &b) { return a && b && a->id == b->id; }

std::optional<int> numberOf(const ToolPtr &tool) {
    if (const auto *point = dynamic_cast<const PointTool *>(tool.get()))
        return point->number;
    return std::nullopt;
}

ToolPtr withNumber(const ToolPtr &tool, int number) {
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

ToolEditor::ToolEditor(ToolHost &host, QObject *parent) : QObject(parent), m_host(host) {}

ToolPtr ToolEditor::makeTool(std::optional<QPointF> start, std::optional<QPointF> end, const QList<QPointF> &points,
                             Tool kind, bool isNew, const std::optional<BaseToolData> &saved) const {
    return ToolFactory::makeTool(start, end, points, kind, isNew, saved, m_host.currentColor(), m_host.maxFrame());
}

void ToolEditor::scheduleRefresh() {
    QPointer<ToolEditor> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self)
            self->m_host.refreshUndoState();
    });
}

void ToolEditor::commitDrawingTool(bool selectAfterwards) {
    const ToolPtr drawing = m_host.drawingTool();
    if (!drawing)
        return;
    const ToolPtr rebuilt =
        makeTool(drawing->startPoint, drawing->endPoint, drawing->points, drawing->type, false, drawing->toolData());
    const ToolPtr replaced = m_host.needDeleteTool();
    if (rebuilt && ToolFactory::isToolValid(*rebuilt)) {
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

void ToolEditor::appendTool(const ToolPtr &tool) {
    if (!tool)
        return;
    QList<ToolPtr> tools = m_host.drawedTools();
    tools.append(tool);
    if (const auto n = numberOf(tool)) {
        for (ToolPtr &other : tools) {
            const auto m = numberOf(other);
            if (other->type == Tool::Point && !sameId(other, tool) && m && *m >= *n)
                other = withNumber(other, *m + 1);
        }
    }
    m_host.setDrawedTools(tools);
    scheduleRefresh();
    QPointer<ToolEditor> self(this);
    m_host.registerUndo([self, tool] {
        if (self)
            self->removeTool(tool);
    });
}

void ToolEditor::removeTool(const ToolPtr &tool) {
    if (!tool)
        return;
    QList<ToolPtr> tools = m_host.drawedTools();
    // The stored value, not a shown copy: undo must bring back what was in the list.
    ToolPtr removed = tool;
    for (const ToolPtr &t : tools)
        if (sameId(t, tool)) {
            removed = t;
            break;
        }
    tools.removeIf([&tool](const ToolPtr &t) { return sameId(t, tool); });
    if (const auto n = numberOf(removed); n && removed->type == Tool::Point) {
        for (ToolPtr &other : tools) {
            const auto m = numberOf(other);
            if (other->type == Tool::Point && m && *m > *n)
                other = withNumber(other, *m - 1);
        }
    }
    m_host.setDrawedTools(tools);
    scheduleRefresh();
    QPointer<ToolEditor> self(this);
    m_host.registerUndo([self, removed] {
        if (self)
            self->appendTool(removed);
    });
}

void ToolEditor::addTool(const ToolPtr &tool, bool makeActive) {
    appendTool(tool);
    m_host.setActiveTool(makeActive && tool ? std::optional(tool->id) : std::nullopt);
    m_host.setDrawingTool(nullptr);
}

void ToolEditor::finishEditing() {
    m_host.setActiveTool(std::nullopt);
    commitDrawingTool(false);
    m_host.setDrawingTool(nullptr);
    m_host.setNeedDeleteTool(nullptr);
}

void ToolEditor::selectDrawnTool(const ToolPtr &tool, bool reopen) {
    if (!tool)
        return;
    m_host.setActiveTool(tool->id);
    commitDrawingTool(false);
    m_host.setDrawingTool(nullptr);
    if (!reopen || tool->type != Tool::Text)
        return;
    const BaseToolData data = tool->toolData();
    const QList<QPointF> points = data.tool ? data.tool->points : QList<QPointF>{};
    const ToolPtr editable = makeTool(tool->startPoint, std::nullopt, points, Tool::Text, true, data);
    if (!std::dynamic_pointer_cast<const TextTool>(editable))
        return;
    QPointer<ToolEditor> self(this);
    QTimer::singleShot(0, this, [self, tool, editable] {
        if (self)
            self->editTextTool(tool, editable);
    });
}

void ToolEditor::editTextTool(const ToolPtr &kept, const ToolPtr &editable) {
    m_host.setNeedDeleteTool(kept);
    m_host.setDrawingTool(editable);
    m_host.setActiveTool(std::nullopt);
    Q_EMIT textEditStarted();
}

void ToolEditor::syncDrawingTool(const ToolPtr &tool) {
    const ToolPtr drawing = m_host.drawingTool();
    if (drawing && tool && drawing->id == tool->id)
        m_host.setDrawingTool(tool);
}

void ToolEditor::undo() {
    if (!m_host.canUndo())
        return;
    finishEditing();
    m_host.undo();
}

void ToolEditor::redo() {
    if (!m_host.canRedo())
        return;
    finishEditing();
    m_host.redo();
}

void ToolEditor::selectForDrag(const ToolPtr &shown) {
    m_host.setActiveTool(shown->id);
    commitDrawingTool(false);
    m_host.setDrawingTool(nullptr);
}

void ToolEditor::showCopy(const ToolPtr &shown, const ToolPtr &copy, bool keepDragged) {
    m_host.setDrawingTool(copy);
    m_host.setNeedDeleteTool(keepDragged ? nullptr : shown);
    m_host.setActiveTool(std::nullopt);
}

void ToolEditor::applyCopy(const ToolPtr &shown, const ToolPtr &copy, bool keepDragged) {
    if (shown->drawed) {
        showCopy(shown, copy, keepDragged);
        return;
    }
    // The object being drawn is moved in place: it keeps its identity.
    if (const ToolPtr drawing = m_host.drawingTool())
        m_host.setDrawingTool(withPoints(drawing, copy->startPoint, copy->endPoint));
}

void ToolEditor::moveDragChanged(const ToolPtr &shown, QPointF t) {
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
        const ToolPtr copy = makeTool(state.tempLocations.value(0) - t, state.tempLocations.value(1) - t,
                                      shown->points, shown->type, false, data);
        if (copy)
            applyCopy(shown, copy, duplicate);
    } else if (shown->type == Tool::Pen) {
        QList<QPointF> moved;
        moved.reserve(shown->points.size());
        for (const QPointF &p : shown->points)
            moved.append(p - t);
        if (const ToolPtr copy = makeTool(std::nullopt, std::nullopt, moved, Tool::Pen, false, data))
            showCopy(shown, copy, duplicate);
    } else if (shown->type == Tool::Text && shown->startPoint) {
        if (const ToolPtr copy =
                makeTool(*shown->startPoint - t, std::nullopt, shown->points, Tool::Text, false, data))
            showCopy(shown, copy, duplicate);
    }
    if (!m_host.isDrawing())
        m_host.setIsDrawing(true);
    if (!m_host.hasPinnedCursor())
        m_host.pinCursor(DragCursor::ClosedHand);
}

void ToolEditor::moveDragEnded(const ToolPtr &shown) {
    m_host.setIsDrawing(false);
    if (shown && shown->drawed) {
        commitDrawingTool(true);
        m_host.setNeedDeleteTool(nullptr);
    }
    m_host.dragState().tempLocations.clear();
    m_host.pinCursor(std::nullopt);
}

void ToolEditor::resizeDragChanged(std::optional<QPointF> first, std::optional<QPointF> second,
                                   const QList<QPointF> &points, const ToolPtr &shown, CornerType) {
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
        if (const ToolPtr copy = makeTool(first, second, points, shown->type, false, shown->toolData()))
            applyCopy(shown, copy, false);
    }
    if (!m_host.isDrawing())
        m_host.setIsDrawing(true);
    if (!m_host.hasPinnedCursor())
        m_host.pinCursor(DragCursor::Arrow);
}

void ToolEditor::resizeDragEnded(const ToolPtr &shown) {
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

void ToolEditor::abandonDrag() {
    m_host.setIsDrawing(false);
    m_host.pinCursor(std::nullopt);
    m_host.clearSpaceKeyPoint();
    m_host.dragState().clear();
}

void ToolEditor::saveComment(const PointTool &point, const QString &text) {
    const auto copy = withCommentText(point, text);
    if (point.drawed) {
        replaceComment(*copy, false);
        return;
    }
    if (!ToolFactory::isToolValid(*copy))
        return;
    if (const ToolPtr made = makeTool(copy->startPoint, copy->endPoint, copy->points, Tool::Point, true,
                                      copy->toolData()))
        addTool(made, false);
}

void ToolEditor::replaceComment(const PointTool &edited, bool makeActive) {
    ToolPtr old;
    for (const ToolPtr &t : m_host.drawedTools())
        if (t->id == edited.id) {
            old = t;
            break;
        }
    if (!old)
        return;
    const ToolPtr rebuilt =
        makeTool(edited.startPoint, edited.endPoint, edited.points, edited.type, false, edited.toolData());
    if (!rebuilt)
        return;
    removeTool(old);
    addTool(rebuilt, makeActive);
}

void ToolEditor::deleteComment(const PointTool &point) {
    if (point.drawed) {
        removeTool(std::make_shared<PointTool>(point));
        finishEditing();
        return;
    }
    m_host.setDrawingTool(nullptr);
}

void ToolEditor::commentClickedOutside(const PointTool &point, const QString &text) {
    if (text == point.text || !point.drawed)
        return;
    replaceComment(*withCommentText(point, text), true);
}

} // namespace qn
