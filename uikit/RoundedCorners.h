#pragma once
// Rounding only some corners of a rectangle: the outline as a path, and a widget
// clipped to it.
#include <QFlags>
#include <QPainterPath>
#include <QRectF>

class QWidget;

namespace qn {

enum class RectCorner { topLeft = 1, topRight = 2, bottomRight = 4, bottomLeft = 8, allCorners = 15 };
Q_DECLARE_FLAGS(RectCorners, RectCorner)

// The rectangle with quarter circles of `radius` at the chosen corners (the radius is
// kept within half the shorter side) and square corners elsewhere.
QPainterPath roundedCornersPath(const QRectF &rect, qreal radius, RectCorners corners);
// Clips `widget` (and what it contains) to that outline, following its size.
void setCornerRadius(QWidget *widget, qreal radius, RectCorners corners);

} // namespace qn

Q_DECLARE_OPERATORS_FOR_FLAGS(qn::RectCorners)
