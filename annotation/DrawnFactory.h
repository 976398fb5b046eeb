#pragma once
#include "annotation/BaseTool.h"

namespace qn {

// Builds drawn objects of every kind from drag points, and rebuilds copies from
// their snapshots.
namespace DrawnFactory {

// A new object (fresh identity, not selected, not committed) of `kind`. Its colour
// is that of the snapshot's object when rebuilding (`isNew` false with a snapshot),
// else `currentColor`. No object for the pointer and video kinds, without a drawing
// frame, or for a comment point without a start point. A text built as new is in
// editing; the text and comment fields come from a snapshot of their kind.
DrawnPtr makeTool(std::optional<QPointF> start, std::optional<QPointF> end, const QList<QPointF> &points, Tool kind,
                 bool isNew, const std::optional<BaseToolData> &saved, const QNColor &currentColor,
                 const std::optional<QRectF> &maxFrame);

// Whether a finished drawing is kept: boxes at least 10 x 10, pens of two points or
// more, lines and arrows at least 10 long, texts and comments with some text.
bool isToolValid(const BaseTool &tool);

} // namespace DrawnFactory
} // namespace qn
