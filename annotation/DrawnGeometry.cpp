#include "annotation/DrawnGeometry.h"

#include "annotation/CornerType.h"

#include <QPainterPathStroker>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace qn {

namespace {

QPointF clampInto(QPointF p, const QRectF &frame) {
    return {std::clamp(p.x(), frame.left(), std::max(frame.left(), frame.right())),
            std::clamp(p.y(), frame.top(), std::max(frame.top(), frame.bottom()))};
}

// Forgets a Space move once the drag resizes again, so a later press starts afresh.
void leaveMoveCase(DragMoveState &state) {
    if (!state.tempLocations.isEmpty())
        state.tempLocations.clear();
}

// One step of a Space move: the shape's two points are taken at the first step (from
// the moved start once there has been a move); returns the pointer's offset from
// where Space went down.
QPointF beginMoveStep(QPointF start, QPointF current, const DragInputs &in, DragMoveState &state) {
    if (state.tempLocations.isEmpty()) {
        state.tempLocations.insert(0, state.tempStartLocation.value_or(start));
        state.tempLocations.insert(1, current);
    }
    return *in.pointer - *in.spaceKeyPoint;
}

} // namespace

QRectF fitIntoFrame(const QRectF &r, const QRectF &mf) {
    constexpr double margin = 5;
    double x = std::max(r.left(), mf.left());
    double y = std::max(r.top(), mf.top());
    // Measured from the frame's own edges, so a frame that does not start at the
    // origin snaps the same way.
    if (x <= mf.left() + margin)
        x = mf.left();
    if (y <= mf.top() + margin)
        y = mf.top();
    double w = (r.right() > mf.right() - margin ? mf.right() : r.right()) - x;
    double h = (r.bottom() > mf.bottom() - margin ? mf.bottom() : r.bottom()) - y;
    w = std::min(mf.width(), w);
    h = std::min(mf.height(), h);
    if (x + w + margin > mf.right())
        x = std::max(mf.right() - w, mf.left());
    if (y + h + margin > mf.bottom())
        y = std::max(mf.bottom() - h, mf.top());
    return {x, y, std::max(0.0, w), std::max(0.0, h)};
}

QRectF rectFromPoints(const std::optional<QPointF> &first, const std::optional<QPointF> &second, bool square,
                      const std::optional<QRectF> &maxFrame) {
    if (!first || !second)
        return {};
    QPointF a = *first;
    QPointF b = *second;
    if (maxFrame) {
        a = clampInto(a, *maxFrame);
        b = clampInto(b, *maxFrame);
    }
    double w = b.x() - a.x();
    double h = b.y() - a.y();
    if (square) {
        const double m = std::max(std::abs(w), std::abs(h));
        w = w < 0 ? -m : m;
        h = h < 0 ? -m : m;
    }
    double x = a.x();
    double y = a.y();
    if (w < 0) {
        x += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        h = -h;
    }
    return {x, y, w, h};
}

QRectF rectForHandleDrag(bool clamp, bool squareAllowed, QPointF start, QPointF current, const DragInputs &in,
                         DragMoveState &state) {
    const bool shift = squareAllowed && in.shift;
    QRectF result;
    if (in.pointer && in.spaceKeyPoint) {
        const QPointF offset = beginMoveStep(start, current, in, state);
        const QPointF k0 = state.tempLocations.value(0);
        const QPointF k1 = state.tempLocations.value(1);
        result = rectFromPoints(k0, k1, shift, in.maxFrame).translated(offset);
        state.tempOffset = QSizeF(offset.x(), offset.y());
        // The moved corner that stands where the drag started.
        const bool right = k1.x() >= k0.x();
        const bool below = k1.y() >= k0.y();
        if (right && below)
            state.tempStartLocation = result.topLeft();
        else if (right)
            state.tempStartLocation = QPointF(result.left(), result.bottom());
        else if (below)
            state.tempStartLocation = QPointF(result.right(), result.top());
        else
            state.tempStartLocation = result.bottomRight();
    } else {
        result = rectFromPoints(state.tempStartLocation.value_or(start), current, shift, in.maxFrame);
        leaveMoveCase(state);
    }
    if (clamp && in.maxFrame)
        result = fitIntoFrame(result, *in.maxFrame);
    return result;
}

QList<QPointF> dragPointsFromMouse(QPointF start, QPointF current, const DragInputs &in, DragMoveState &state) {
    if (in.pointer && in.spaceKeyPoint) {
        const QPointF offset = beginMoveStep(start, current, in, state);
        const QPointF s = state.tempLocations.value(0) + offset;
        const QPointF e = snapAngle(in.shift, s, current);
        state.tempStartLocation = s;
        state.tempOffset = QSizeF(offset.x(), offset.y());
        return {s, e};
    }
    const QPointF s = state.tempStartLocation.value_or(start);
    const QPointF e = snapAngle(in.shift, s, current);
    leaveMoveCase(state);
    return {s, e};
}

QPointF snapAngle(bool snap, QPointF start, QPointF end) {
    if (!snap)
        return end;
    const double angle = qRadiansToDegrees(std::atan2(end.y() - start.y(), end.x() - start.x()));
    double snapped = angle;
    for (int c = -180; c <= 180; c += 15) {
        if (c >= angle - 3.75) {
            snapped = c;
            break;
        }
    }
    const double length = std::hypot(end.x() - start.x(), end.y() - start.y());
    const double rad = qDegreesToRadians(snapped);
    return {start.x() + std::cos(rad) * length, start.y() + std::sin(rad) * length};
}

QPainterPath smoothPenPath(const QList<QPointF> &points) {
    QPainterPath path;
    if (points.isEmpty())
        return path;
    path.moveTo(points.first());
    for (qsizetype i = 1; i < points.size(); ++i) {
        const QPointF &prev = points[i - 1];
        const QPointF &p = points[i];
        path.quadTo(prev, (prev + p) * 0.5);
    }
    path.lineTo(points.last());
    return path;
}

QPointF cornerOf(const QRectF &r, CornerType corner) {
    switch (corner) {
    case CornerType::TopLeft: return r.topLeft();
    case CornerType::TopRight: return {r.right(), r.top()};
    case CornerType::BottomRight: return r.bottomRight();
    case CornerType::BottomLeft: return {r.left(), r.bottom()};
    case CornerType::Top: return {r.center().x(), r.top()};
    case CornerType::Bottom: return {r.center().x(), r.bottom()};
    case CornerType::Left: return {r.left(), r.center().y()};
    case CornerType::Right: return {r.right(), r.center().y()};
    }
    return r.topLeft();
}

QPointF oppositeCorner(const QRectF &r, CornerType corner) {
    switch (corner) {
    case CornerType::TopLeft: return r.bottomRight();
    case CornerType::TopRight: return {r.left(), r.bottom()};
    case CornerType::BottomLeft: return {r.right(), r.top()};
    default: return r.topLeft();
    }
}

QPainterPath strokedBand(const QPainterPath &path, double width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path);
}

QPainterPath roundedBox(const QRectF &r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

} // namespace qn
