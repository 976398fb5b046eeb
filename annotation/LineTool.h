#pragma once
#include "annotation/BaseTool.h"

#include <QPainterPath>

namespace qn {

// A straight stroke between two points with a handle on each end.
class LineTool : public BaseTool {
public:
    LineTool() { type = Tool::Line; }

    void draw(QPainter &painter, const QImage *lowQuality, std::optional<QUuid> activeTool) const override;
    DrawnIntersection intersect(QPointF point) const override;
    std::shared_ptr<BaseTool> clone() const override { return std::make_shared<LineTool>(*this); }
    QList<DrawnHandle> handleViews(bool showControls, bool hovered) const override;
    QRectF boundingRect() const override;

    // The stroked path; empty when a point is missing.
    virtual QPainterPath path() const;
};

// A line with a head of two 10-point strokes at its end point, 45° either side of the shaft.
class ArrowTool : public LineTool {
public:
    static constexpr double kPointerLineLength = 10;
    static constexpr double kArrowAngle = 0.7853981633974483;

    ArrowTool() { type = Tool::Arrow; }
    std::shared_ptr<BaseTool> clone() const override { return std::make_shared<ArrowTool>(*this); }
    QPainterPath path() const override;

    // The two head points, or none when the arrow has no direction (start equals end).
    static std::optional<std::pair<QPointF, QPointF>> headPoints(QPointF start, QPointF end);
};

} // namespace qn
