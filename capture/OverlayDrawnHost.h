#pragma once
#include "annotation/DrawnHost.h"

#include <QString>

namespace qn {

class DrawCore;

// The drawn-object operations' view of a capture: the shared editor state, the
// overlay controller's drawing frame and drag state, and the pointer and keys of
// the moment.
class OverlayDrawnHost : public DrawnHost {
public:
    explicit OverlayDrawnHost(DrawCore &core) : m_core(core) {}

    QList<DrawnPtr> drawedTools() const override;
    void setDrawedTools(const QList<DrawnPtr> &tools) override;
    DrawnPtr drawingTool() const override;
    void setDrawingTool(const DrawnPtr &tool) override;
    DrawnPtr needDeleteTool() const override;
    void setNeedDeleteTool(const DrawnPtr &tool) override;
    std::optional<QUuid> activeTool() const override;
    void setActiveTool(const std::optional<QUuid> &id) override;
    bool isDrawing() const override;
    void setIsDrawing(bool drawing) override;
    void pinCursor(std::optional<DragCursor> cursor) override;
    bool hasPinnedCursor() const override;
    void clearSpaceKeyPoint() override;
    QNColor currentColor() const override;
    std::optional<QRectF> maxFrame() const override;
    void registerUndo(std::function<void()> action) override;
    bool canUndo() const override;
    bool canRedo() const override;
    void undo() override;
    void redo() override;
    void refreshUndoState() override;
    DragInputs dragInputs() const override;
    bool alternateHeld() const override;
    DragMoveState &dragState() override;

private:
    DrawCore &m_core;
    QString m_lastPoints;
};

} // namespace qn
