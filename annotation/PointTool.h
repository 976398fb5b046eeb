#pragma once
#include "annotation/BaseTool.h"

#include <QPainterPath>

namespace qn {

// A numbered comment point: a pin carrying a number and a comment text, which may
// mark a rectangular area whose corner carries the pin.
class PointTool : public BaseTool {
public:
    PointTool() { type = Tool::Point; }

    QString text;
    std::optional<CornerType> pointCorner;
    std::optional<int> number;

    void draw(QPainter &painter, const QImage *lowQuality, std::optional<QUuid> activeTool) const override;
    DrawnIntersection intersect(QPointF point) const override;
    std::shared_ptr<BaseTool> clone() const override { return std::make_shared<PointTool>(*this); }
    BaseToolData toolData() const override;
    bool equals(const BaseTool &other) const override;
    ViewHit viewHit(QPointF point, bool showControls) const override;
    bool hoverContains(QPointF point) const override;
    QList<DrawnHandle> handleViews(bool showControls, bool hovered) const override;
    QRectF boundingRect() const override;

    // The marked area; zero when a point is missing.
    QRectF areaRect() const;
    // Where the pin sits: the corner named by `pointCorner`, else the end point.
    QPointF pinPoint() const;
    // The pin's box: 11 points left and 12 right of the pin point, 14 above and below.
    QRectF pinBox() const;
    // Where the comment card of this point starts: 287 left of and 14 below the pin.
    QPointF commentPosition() const { return pinPoint() + QPointF(-287, 14); }
    // A plain pin (a click): its area is under 2 points on both sides.
    bool isPlainPin() const;
    // Corner handles are shown only on an area wider and higher than 20 points.
    bool showsCornerHandles() const;
    // The corners that carry a handle: all four but the pin's.
    QList<CornerType> handleCorners() const;
};

// The outline of the pin, drawn in proportion to its rectangle; its tail points down-left.
QPainterPath pointPath(const QRectF &rect);

} // namespace qn
