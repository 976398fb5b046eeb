#pragma once
#include "annotation/DrawnHost.h"
#include "annotation/DrawViewModel.h"

#include <QCoreApplication>

namespace qn::test {

// The editor state as plain fields, for the drawn-object operations.
class FakeDrawnHost : public DrawnHost {
public:
    QList<DrawnPtr> tools;
    DrawnPtr drawing;
    DrawnPtr needDelete;
    std::optional<QUuid> active;
    bool drawingFlag = false;
    std::optional<DragCursor> cursor;
    QNColor color{QColor("#0075FF"), false};
    std::optional<QRectF> frame = QRectF(0, 0, 1000, 800);
    UndoManager history;
    int refreshes = 0;
    DragInputs inputs;
    bool alt = false;
    DragMoveState state;

    QList<DrawnPtr> drawedTools() const override { return tools; }
    void setDrawedTools(const QList<DrawnPtr> &t) override { tools = t; }
    DrawnPtr drawingTool() const override { return drawing; }
    void setDrawingTool(const DrawnPtr &t) override { drawing = t; }
    DrawnPtr needDeleteTool() const override { return needDelete; }
    void setNeedDeleteTool(const DrawnPtr &t) override { needDelete = t; }
    std::optional<QUuid> activeTool() const override { return active; }
    void setActiveTool(const std::optional<QUuid> &id) override { active = id; }
    bool isDrawing() const override { return drawingFlag; }
    void setIsDrawing(bool d) override { drawingFlag = d; }
    void pinCursor(std::optional<DragCursor> c) override { cursor = c; }
    bool hasPinnedCursor() const override { return cursor.has_value(); }
    void clearSpaceKeyPoint() override { inputs.spaceKeyPoint.reset(); }
    QNColor currentColor() const override { return color; }
    std::optional<QRectF> maxFrame() const override { return frame; }
    void registerUndo(std::function<void()> action) override { history.registerUndo(std::move(action)); }
    bool canUndo() const override { return history.canUndo(); }
    bool canRedo() const override { return history.canRedo(); }
    void undo() override { history.undo(); }
    void redo() override { history.redo(); }
    void refreshUndoState() override { ++refreshes; }
    DragInputs dragInputs() const override {
        DragInputs in = inputs;
        in.maxFrame = frame;
        return in;
    }
    bool alternateHeld() const override { return alt; }
    DragMoveState &dragState() override { return state; }

    // Lets queued work (group closing, deferred re-editing) run, as after one event.
    static void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
};

} // namespace qn::test
