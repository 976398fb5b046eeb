#pragma once
#include "annotation/CornerType.h"

#include <QCursor>
#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace qn {

// The eight handles around the crop rectangle: where each sits, its outline, where
// a press takes it, and its resize cursor. Every handle's line lies on the crop
// rectangle grown by 4 points.
namespace cropHandles {

constexpr qreal kSize = 18;

// All eight, in the order in which they are built and hit-tested.
const QList<CornerType> &order();
// The handle's 18x18 frame for a crop rectangle.
QRectF frame(CornerType type, const QRectF &crop);
// The handle's outline inside a frame: an L with a rounded corner, or one straight line.
QPainterPath outline(CornerType type, const QRectF &frame);
// The first handle whose outline, stroked 12 wide, contains the point.
std::optional<CornerType> hit(const QRectF &crop, QPointF point);
// The invisible band just outside the crop rectangle that moves the whole area
// (6 points wide, from the edge outwards).
bool onMoveBand(const QRectF &crop, QPointF point);
// The band of the hover cursor: the crop grown by 4, stroked 6 wide.
bool onBorder(const QRectF &crop, QPointF point);
QCursor cursor(CornerType type);

// The state of one handle drag: the corner that stays (anchor) and the reference
// point to which the drag's translation is added.
class Drag {
public:
    struct Step {
        QPointF anchor;
        QPointF moving;
        bool squareAllowed = true;
    };

    // One change of the drag. `crop` is the crop rectangle now, `location` the
    // pointer, `translation` its distance from the press; `spaceHeld` and
    // `spaceOffset` carry the Space move of the overlay controller.
    Step changed(CornerType type, const QRectF &crop, QPointF location, QSizeF translation, bool shift, bool spaceHeld,
                 QSizeF spaceOffset);
    void ended();
    bool active() const { return m_startPoint.has_value(); }

private:
    std::optional<QPointF> m_startPoint;
    std::optional<QPointF> m_lastPoint;
    bool m_needUpdateAfterSpace = false;
};

} // namespace cropHandles
} // namespace qn
