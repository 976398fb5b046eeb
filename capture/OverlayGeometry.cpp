#include "capture/OverlayGeometry.h"

#include <QtMath>
#include <algorithm>
#include <cmath>

namespace qn {

namespace {
QPointF clampInto(QPointF p, const std::optional<QRectF> &frame) {
    if (!frame)
        return p;
    return {std::clamp(p.x(), frame->left(), std::max(frame->left(), frame->right())),
            std::clamp(p.y(), frame->top(), std::max(frame->top(), frame->bottom()))};
}

qreal signedLength(qreal m, qreal sign) { return sign < 0 ? -m : m; }
} // namespace

QRectF OverlayGeometry::rectFromPoints(const std::optional<QPointF> &first, const std::optional<QPointF> &second,
                                       bool square) const {
    if (!first || !second)
        return {};
    const QPointF a = clampInto(*first, maxFrame);
    const QPointF b = clampInto(*second, maxFrame);
    qreal w = b.x() - a.x();
    qreal h = b.y() - a.y();
    if (square) {
        const qreal m = std::max(std::abs(w), std::abs(h));
        w = signedLength(m, w);
        h = signedLength(m, h);
    }
    return QRectF(a.x(), a.y(), w, h).normalized();
}

QRectF OverlayGeometry::fitIntoFrame(const QRectF &r, const QRectF &mf) {
    constexpr qreal margin = 5;
    qreal x = std::max(r.left(), mf.left());
    qreal y = std::max(r.top(), mf.top());
    // Measured from the frame's own edges, so a frame that does not start at the
    // origin snaps the same way.
    if (x <= mf.left() + margin)
        x = mf.left();
    if (y <= mf.top() + margin)
        y = mf.top();
    qreal w = (r.right() > mf.right() - margin ? mf.right() : r.right()) - x;
    qreal h = (r.bottom() > mf.bottom() - margin ? mf.bottom() : r.bottom()) - y;
    w = std::min(mf.width(), w);
    h = std::min(mf.height(), h);
    if (x + w + margin > mf.right())
        x = std::max(mf.right() - w, mf.left());
    if (y + h + margin > mf.bottom())
        y = std::max(mf.bottom() - h, mf.top());
    return {x, y, std::max<qreal>(0, w), std::max<qreal>(0, h)};
}

QPointF OverlayGeometry::beginMove(QPointF start, QPointF current, const Input &input) {
    // The first step of a move keeps the shape's two points as they are now.
    if (tempLocations.isEmpty()) {
        tempLocations.insert(0, tempStartLocation.value_or(start));
        tempLocations.insert(1, current);
    }
    return *input.pointer - *input.spaceKeyPoint;
}

QRectF OverlayGeometry::rectForHandleDrag(bool clamp, bool squareAllowed, QPointF start, QPointF current,
                                          const Input &input) {
    const bool shift = squareAllowed && input.shift;
    QRectF result;
    if (input.pointer && input.spaceKeyPoint) {
        const QPointF offset = beginMove(start, current, input);
        const QPointF k0 = tempLocations.value(0);
        const QPointF k1 = tempLocations.value(1);
        const QRectF r = rectFromPoints(k0, k1, shift);
        result = r.translated(offset);
        tempOffset = QSizeF(offset.x(), offset.y());
        // The corner of the moved shape that stands where the drag started.
        const bool right = k1.x() >= k0.x();
        const bool below = k1.y() >= k0.y();
        if (right && below)
            tempStartLocation = result.topLeft();
        else if (right)
            tempStartLocation = result.bottomLeft();
        else if (below)
            tempStartLocation = result.topRight();
        else
            tempStartLocation = result.bottomRight();
    } else {
        result = rectFromPoints(tempStartLocation.value_or(start), current, shift);
        tempLocations.clear();
    }
    if (clamp && maxFrame)
        result = fitIntoFrame(result, *maxFrame);
    return result;
}

QList<QPointF> OverlayGeometry::dragPointsFromMouse(QPointF start, QPointF current, const Input &input) {
    if (input.pointer && input.spaceKeyPoint) {
        const QPointF offset = beginMove(start, current, input);
        const QPointF s = tempLocations.value(0) + offset;
        const QPointF e = snapAngle(input.shift, s, current);
        tempStartLocation = s;
        tempOffset = QSizeF(offset.x(), offset.y());
        return {s, e};
    }
    const QPointF s = tempStartLocation.value_or(start);
    const QPointF e = snapAngle(input.shift, s, current);
    tempLocations.clear();
    return {s, e};
}

void OverlayGeometry::endDrag() {
    tempLocations.clear();
    tempStartLocation.reset();
    tempOffset = QSizeF();
}

QPointF OverlayGeometry::snapAngle(bool snap, QPointF start, QPointF end) {
    if (!snap)
        return end;
    const qreal angle = qRadiansToDegrees(std::atan2(end.y() - start.y(), end.x() - start.x()));
    qreal chosen = angle;
    for (int c = -180; c <= 180; c += 15) {
        if (c >= angle - 3.75) {
            chosen = c;
            break;
        }
    }
    const qreal length = std::hypot(end.x() - start.x(), end.y() - start.y());
    const qreal rad = qDegreesToRadians(chosen);
    return {start.x() + std::cos(rad) * length, start.y() + std::sin(rad) * length};
}

QPainterPath OverlayGeometry::smoothPenPath(const QList<QPointF> &points) {
    QPainterPath path;
    if (points.isEmpty())
        return path;
    path.moveTo(points.first());
    for (qsizetype i = 1; i < points.size(); ++i) {
        const QPointF prev = points[i - 1];
        const QPointF mid = (prev + points[i]) * 0.5;
        path.quadTo(prev, mid);
    }
    path.lineTo(points.last());
    return path;
}

} // namespace qn
