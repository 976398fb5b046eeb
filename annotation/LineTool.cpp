#include "annotation/LineTool.h"

#include "annotation/DrawnGeometry.h"
#include "annotation/ToolPoint.h"

#include <QPainter>
#include <cmath>

namespace qn {

QPainterPath LineTool::path() const {
    QPainterPath p;
    if (!startPoint || !endPoint)
        return p;
    p.moveTo(*startPoint);
    p.lineTo(*endPoint);
    p.closeSubpath();
    return p;
}

void LineTool::draw(QPainter &painter, const QImage *, std::optional<QUuid>) const {
    if (!startPoint || !endPoint)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(paintColor(), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    // A plain line strokes much faster as a line than as a closed path; both look alike.
    if (type == Tool::Line)
        painter.drawLine(*startPoint, *endPoint);
    else
        painter.drawPath(path());
    painter.restore();
}

DrawnIntersection LineTool::intersect(QPointF point) const {
    if (!startPoint || !endPoint)
        return DrawnIntersection::none();
    if (ToolPoint::centredOn(*startPoint).contains(point))
        return DrawnIntersection::handle(CornerType::TopLeft);
    if (ToolPoint::centredOn(*endPoint).contains(point))
        return DrawnIntersection::handle(CornerType::TopRight);
    if (strokedBand(path(), 10).contains(point))
        return DrawnIntersection::body(type);
    return DrawnIntersection::none();
}

QList<DrawnHandle> LineTool::handleViews(bool showControls, bool hovered) const {
    if (!showControls || !startPoint || !endPoint)
        return {};
    const double rotation = std::atan2(endPoint->y() - startPoint->y(), endPoint->x() - startPoint->x());
    const double opacity = ToolPoint::opacityFor(active, hovered);
    const QPointF half(ToolPoint::kSize / 2, ToolPoint::kSize / 2);
    return {{CornerType::TopLeft, *startPoint - half, rotation, opacity},
            {CornerType::TopRight, *endPoint - half, rotation, opacity}};
}

QRectF LineTool::boundingRect() const {
    if (!startPoint || !endPoint)
        return {};
    return path().boundingRect().adjusted(-8, -8, 8, 8);
}

std::optional<std::pair<QPointF, QPointF>> ArrowTool::headPoints(QPointF s, QPointF e) {
    const double dx = e.x() - s.x();
    const double dy = e.y() - s.y();
    if (dx == 0 && dy == 0)
        return std::nullopt;
    const double theta = std::atan2(dy, dx);
    const double l = kPointerLineLength;
    const QPointF h1 = e - l * QPointF(std::cos(theta - kArrowAngle), std::sin(theta - kArrowAngle));
    const QPointF h2 = e - l * QPointF(std::cos(theta + kArrowAngle), std::sin(theta + kArrowAngle));
    return std::make_pair(h1, h2);
}

QPainterPath ArrowTool::path() const {
    QPainterPath p;
    if (!startPoint || !endPoint)
        return p;
    p.moveTo(*startPoint);
    p.lineTo(*endPoint);
    // A zero-length arrow has no direction and so no head.
    if (const auto head = headPoints(*startPoint, *endPoint)) {
        p.lineTo(head->first);
        p.lineTo(*endPoint);
        p.lineTo(head->second);
    }
    return p;
}

} // namespace qn
