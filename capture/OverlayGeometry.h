#pragma once
#include "annotation/DrawnGeometry.h"

#include <QList>
#include <QMap>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace qn {

// The rectangle and point arithmetic of the capture editor: crop rectangles from
// drag points (clamped into the overlay, squared with Shift), and the Space-bar
// move that translates the shape being dragged instead of resizing it.
//
// Every coordinate is local to one screen's overlay: points, origin at the top
// left of that screen, y down. The object keeps the move state of the one drag
// that can run at a time.
class OverlayGeometry : public DragMoveState {
public:
    // What the geometry needs to know of the moment: where the pointer is (when it
    // can be read), the Space anchor (while Space is held) and whether Shift is down.
    struct Input {
        std::optional<QPointF> pointer;
        std::optional<QPointF> spaceKeyPoint;
        bool shift = false;
    };

    // Rectangles and tool points are clamped into this frame when it is set.
    std::optional<QRectF> maxFrame;
    // The move state (tempLocations, tempStartLocation, tempOffset) is the drag's
    // DragMoveState, shared with the drags of drawn objects.

    // Spanned by two points (each clamped into maxFrame first), optionally squared,
    // normalised to a positive size. An absent point gives the zero rectangle.
    QRectF rectFromPoints(const std::optional<QPointF> &a, const std::optional<QPointF> &b, bool square) const;

    // The rectangle of a crop or shape drag from start to current, with Shift
    // squaring when allowed, the Space move, and (with clamp) fitting into maxFrame
    // with edges that snap when they come within 5 points of the frame.
    QRectF rectForHandleDrag(bool clamp, bool squareAllowed, QPointF start, QPointF current, const Input &input);

    // Start and end of a line or arrow drag, with 15-degree snapping under Shift
    // and the Space move.
    QList<QPointF> dragPointsFromMouse(QPointF start, QPointF current, const Input &input);

    // The move state of a finished drag is forgotten.
    void endDrag();

    // Rounds the direction from start to end to a multiple of 15 degrees (leaning
    // to the larger multiple), keeping the length.
    static QPointF snapAngle(bool snap, QPointF start, QPointF end);
    // A pen stroke smoothed with quadratic curves through the midpoints.
    static QPainterPath smoothPenPath(const QList<QPointF> &points);
    // `r` fitted into `frame`, with a 5-point margin in which an edge snaps to the frame.
    static QRectF fitIntoFrame(const QRectF &r, const QRectF &frame);

private:
    DragInputs inputs(const Input &input) const;
};

} // namespace qn
