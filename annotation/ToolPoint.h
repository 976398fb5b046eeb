#pragma once
#include "annotation/BaseTool.h"

#include <QRectF>

class QPainter;

namespace qn {

// The small square handle that a selected object shows at its ends or corners.
namespace ToolPoint {

constexpr double kSize = 10;

// The 10 x 10 square of a handle whose top-left corner is `topLeft`.
inline QRectF square(QPointF topLeft) { return {topLeft, QSizeF(kSize, kSize)}; }
// The square centred on `p`.
inline QRectF centredOn(QPointF p) { return square(p - QPointF(kSize / 2, kSize / 2)); }
// Fully shown on the selected object, faint while its body is hovered, else hidden.
inline double opacityFor(bool active, bool hovered) { return active ? 1.0 : (hovered ? 0.2 : 0.0); }

// A white square with curved corners and a black border, 2 points wide while the
// pointer is over it; nothing at opacity 0.
void paint(QPainter &painter, const DrawnHandle &handle, bool pointerOver);

} // namespace ToolPoint
} // namespace qn
