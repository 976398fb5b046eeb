#pragma once
#include "annotation/BaseTool.h"

#include <QColor>

class QPainter;

namespace qn {

class DrawnInputDispatcher;

// Paints drawn objects in their passes, wherever they are painted (overlay and export):
// the whiteboard over the crop area or else the blur objects (from the low-quality
// copy), then the plain objects, then the objects in the inversion colour, white on a
// layer of their own composited with the difference blend so they invert everything
// beneath. The object being drawn comes last in its pass; `hiddenId` (the object
// being replaced by an edited copy) is left out.
struct DrawnPaintInput {
    QList<DrawnPtr> drawedTools;
    DrawnPtr drawingTool;
    std::optional<QUuid> hiddenId;
    std::optional<QUuid> activeTool;
    const QImage *lowQuality = nullptr;
    QColor whiteboard = Qt::transparent;
    QRectF cropArea;
    bool skipPoints = false;  // comment pins are left out of cloud renders
};

void paintDrawnObjects(QPainter &painter, const DrawnPaintInput &input);

// The handles of the shown objects (selected, hovered, or a comment area being
// placed), over everything else.
void paintDrawnControls(QPainter &painter, const DrawnInputDispatcher &dispatcher);

} // namespace qn
