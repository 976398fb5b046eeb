#include "annotation/PenTool.h"

#include "annotation/DrawnGeometry.h"

#include <QPainter>

namespace qn {

void PenTool::draw(QPainter &painter, const QImage *, std::optional<QUuid>) const {
    if (points.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(paintColor(), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(smoothPenPath(points));
    painter.restore();
}

DrawnIntersection PenTool::intersect(QPointF point) const {
    if (points.isEmpty())
        return DrawnIntersection::none();
    if (strokedBand(smoothPenPath(points), 10).contains(point))
        return DrawnIntersection::body(type);
    return DrawnIntersection::none();
}

// The band is there while the stroke is drawn too: the pen has no controls to hide.
ViewHit PenTool::viewHit(QPointF point, bool) const {
    return intersect(point).kind == 1 ? ViewHit{HitPart::Body} : ViewHit{};
}

QRectF PenTool::boundingRect() const {
    if (points.isEmpty())
        return {};
    return smoothPenPath(points).boundingRect().adjusted(-6, -6, 6, 6);
}

} // namespace qn
