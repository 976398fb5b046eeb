#include "capture/OverlayGeometry.h"

namespace qn {

DragInputs OverlayGeometry::inputs(const Input &input) const {
    DragInputs in;
    in.shift = input.shift;
    in.pointer = input.pointer;
    in.spaceKeyPoint = input.spaceKeyPoint;
    in.maxFrame = maxFrame;
    return in;
}

QRectF OverlayGeometry::rectFromPoints(const std::optional<QPointF> &first, const std::optional<QPointF> &second,
                                       bool square) const {
    return qn::rectFromPoints(first, second, square, maxFrame);
}

QRectF OverlayGeometry::fitIntoFrame(const QRectF &r, const QRectF &frame) { return qn::fitIntoFrame(r, frame); }

QRectF OverlayGeometry::rectForHandleDrag(bool clamp, bool squareAllowed, QPointF start, QPointF current,
                                          const Input &input) {
    return qn::rectForHandleDrag(clamp, squareAllowed, start, current, inputs(input), *this);
}

QList<QPointF> OverlayGeometry::dragPointsFromMouse(QPointF start, QPointF current, const Input &input) {
    return qn::dragPointsFromMouse(start, current, inputs(input), *this);
}

void OverlayGeometry::endDrag() { clear(); }

QPointF OverlayGeometry::snapAngle(bool snap, QPointF start, QPointF end) { return qn::snapAngle(snap, start, end); }

QPainterPath OverlayGeometry::smoothPenPath(const QList<QPointF> &points) { return qn::smoothPenPath(points); }

} // namespace qn
