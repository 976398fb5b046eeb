#pragma once
#include <QList>
#include <QMap>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace qn {

// The pointer and keyboard facts a drag step needs, read by the caller at the time
// of the step (so the geometry stays a pure function of its inputs).
struct DragInputs {
    bool shift = false;
    std::optional<QPointF> pointer;        // pointer in overlay coordinates, when it can be read
    std::optional<QPointF> spaceKeyPoint;  // where Space went down during this drag
    std::optional<QRectF> maxFrame;        // the frame rectangles are clamped into
};

// State of a Space move that spans several drag steps. Key 0 is the first point and
// key 1 the second point of the shape when the move began.
struct DragMoveState {
    QMap<int, QPointF> tempLocations;
    std::optional<QPointF> tempStartLocation;
    QSizeF tempOffset;

    void clear() {
        tempLocations.clear();
        tempStartLocation.reset();
        tempOffset = QSizeF();
    }
};

// The normalised rectangle spanned by two points, both first clamped into `maxFrame`;
// `square` makes both sides as long as the longer one (directions kept). Zero
// rectangle when either point is missing.
QRectF rectFromPoints(const std::optional<QPointF> &a, const std::optional<QPointF> &b, bool square,
                      const std::optional<QRectF> &maxFrame);

// The rectangle of a drag from `start` to `current`: squared while Shift is down and
// squaring is allowed, translated instead of resized while Space is held, and, with
// `clamp`, fitted into the frame with edges that snap within 5 points.
QRectF rectForHandleDrag(bool clamp, bool squareAllowed, QPointF start, QPointF current, const DragInputs &in,
                         DragMoveState &state);

// `r` fitted into `frame`, with a 5-point margin in which an edge snaps to the frame.
QRectF fitIntoFrame(const QRectF &r, const QRectF &frame);

// The two end points of a line drag: the end snaps to 15° steps while Shift is down;
// while Space is held both ends follow the pointer.
QList<QPointF> dragPointsFromMouse(QPointF start, QPointF current, const DragInputs &in, DragMoveState &state);

// The end point turned about `start` to the next 15° step (within 3.75° below it, or
// up to 11.25° above), its distance from `start` kept. Unchanged without `snap`.
QPointF snapAngle(bool snap, QPointF start, QPointF end);

// Quadratic curves through the midpoints of consecutive points, the points as
// control points; empty for no points.
QPainterPath smoothPenPath(const QList<QPointF> &points);

// The corner of `r` named by a handle position; the middle of an edge for the edge kinds.
enum class CornerType;
QPointF cornerOf(const QRectF &r, CornerType corner);
// The corner of `r` diagonally opposite `corner` (the fixed anchor of a corner drag);
// the top-left corner for every other kind.
QPointF oppositeCorner(const QRectF &r, CornerType corner);

// A stroked band `width` wide around `path` with round caps and joins.
QPainterPath strokedBand(const QPainterPath &path, double width);

// The rounded rectangle drawn by boxes and used for their hit areas.
QPainterPath roundedBox(const QRectF &r, double radius);

} // namespace qn
