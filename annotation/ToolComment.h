#pragma once
#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace qn {

class PointTool;

// One comment point in the comments sheet beside an exported capture: its badge (the
// pin outline in the point's colour with its number, or the product's mark when it
// has none) above its comment, which wraps at the width given and grows downwards.
namespace ToolComment {

constexpr double kBadgeWidth = 23;
constexpr double kBadgeHeight = 27;
constexpr double kSpacing = 8;

// The height the entry needs at `width`.
double height(const PointTool &point, double width);
// Paints the entry with its top-left corner at `topLeft`; returns its height.
double paint(QPainter &painter, QPointF topLeft, double width, const PointTool &point, const QColor &textColor);
// Paints the badge alone into `rect` (23 x 27 points).
void paintBadge(QPainter &painter, const QRectF &rect, const PointTool &point);

} // namespace ToolComment

// The product's mark: a move, five cubic curves and a close, each coordinate a
// fraction of the rectangle's width or height, drawn from the origin of its space.
QPainterPath logoPath(const QRectF &rect);

} // namespace qn
