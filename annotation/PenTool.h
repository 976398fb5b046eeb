#pragma once
#include "annotation/BaseTool.h"

namespace qn {

// A freehand stroke through the points sampled during the drag, smoothed. It has no
// handles; its 10-point band moves it.
class PenTool : public BaseTool {
public:
    PenTool() { type = Tool::Pen; }

    void draw(QPainter &painter, const QImage *lowQuality, std::optional<QUuid> activeTool) const override;
    DrawnIntersection intersect(QPointF point) const override;
    std::shared_ptr<BaseTool> clone() const override { return std::make_shared<PenTool>(*this); }
    ViewHit viewHit(QPointF point, bool showControls) const override;
    QRectF boundingRect() const override;
};

} // namespace qn
