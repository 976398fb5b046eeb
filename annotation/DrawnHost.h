#pragma once
#include "annotation/BaseTool.h"
#include "annotation/DrawnGeometry.h"

#include <QList>
#include <functional>

namespace qn {

// The cursor pinned for the length of an object drag.
enum class DragCursor { ClosedHand, Arrow };

// What the drawn-object operations need of the editor they work in: the object
// lists and selection, the undo history, the current colour and drawing frame, the
// drag's keyboard and pointer facts and the state of a Space move. The overlay
// controller provides it over the shared editor state; tests provide a plain one.
class DrawnHost {
public:
    virtual ~DrawnHost() = default;

    virtual QList<DrawnPtr> drawedTools() const = 0;
    virtual void setDrawedTools(const QList<DrawnPtr> &tools) = 0;
    virtual DrawnPtr drawingTool() const = 0;
    virtual void setDrawingTool(const DrawnPtr &tool) = 0;
    virtual DrawnPtr needDeleteTool() const = 0;
    virtual void setNeedDeleteTool(const DrawnPtr &tool) = 0;
    virtual std::optional<QUuid> activeTool() const = 0;
    virtual void setActiveTool(const std::optional<QUuid> &id) = 0;
    virtual bool isDrawing() const = 0;
    virtual void setIsDrawing(bool drawing) = 0;
    virtual void pinCursor(std::optional<DragCursor> cursor) = 0;
    virtual bool hasPinnedCursor() const = 0;
    virtual void clearSpaceKeyPoint() = 0;

    virtual QNColor currentColor() const = 0;
    virtual std::optional<QRectF> maxFrame() const = 0;
    // The editor's undo history: registrations made during one user action form one
    // step, and an action registered while undoing becomes the redo of that step.
    virtual void registerUndo(std::function<void()> action) = 0;
    virtual bool canUndo() const = 0;
    virtual bool canRedo() const = 0;
    virtual void undo() = 0;
    virtual void redo() = 0;
    // Called on a later turn of the event loop after the history changed.
    virtual void refreshUndoState() = 0;

    // Read at the time of each drag step.
    virtual DragInputs dragInputs() const = 0;
    virtual bool alternateHeld() const = 0;
    virtual DragMoveState &dragState() = 0;
};

} // namespace qn
