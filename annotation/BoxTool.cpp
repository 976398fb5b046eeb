#include "annotation/BoxTool.h"

#include "annotation/DrawnGeometry.h"
#include "annotation/ToolPoint.h"

#include <QPainter>
#include <array>

namespace qn {

namespace {
constexpr std::array<CornerType, 4> kCorners{CornerType::TopLeft, CornerType::TopRight, CornerType::BottomRight,
                                             CornerType::BottomLeft};

std::optional<QRectF> frameOf(const QRectF &area) {
    if (area.isEmpty())
        return std::nullopt;
    return area;
}
} // namespace

QRectF BoxTool::box() const { return rectFromPoints(startPoint, endPoint, false, frameOf(area)); }

QPainterPath BoxTool::hitShape() const { return strokedBand(outline(), 10); }

DrawnIntersection BoxTool::intersect(QPointF point) const {
    const QRectF r = box();
    for (CornerType corner : kCorners)
        if (ToolPoint::centredOn(cornerOf(r, corner)).contains(point))
            return DrawnIntersection::handle(corner);
    if (hitShape().contains(point))
        return DrawnIntersection::body(type);
    return DrawnIntersection::none();
}

QList<DrawnHandle> BoxTool::handleViews(bool showControls, bool hovered) const {
    if (!showControls)
        return {};
    const QRectF r = box();
    const double opacity = ToolPoint::opacityFor(active, hovered);
    QList<DrawnHandle> handles;
    for (CornerType corner : kCorners)
        handles.append({corner, ToolPoint::centredOn(cornerOf(r, corner)).topLeft(), 0, opacity});
    return handles;
}

QRectF BoxTool::boundingRect() const { return box().adjusted(-8, -8, 8, 8); }

void BoxTool::strokeOutline(QPainter &painter) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(paintColor(), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline());
    painter.restore();
}

QPainterPath RectangleTool::outline() const { return roundedBox(box(), 4); }

void RectangleTool::draw(QPainter &painter, const QImage *, std::optional<QUuid>) const { strokeOutline(painter); }

QPainterPath OvalTool::outline() const {
    QPainterPath path;
    path.addEllipse(box());
    return path;
}

void OvalTool::draw(QPainter &painter, const QImage *, std::optional<QUuid>) const {
    if (!startPoint || !endPoint)
        return;
    strokeOutline(painter);
}

QPainterPath BlurTool::outline() const { return roundedBox(box(), 4); }

QPainterPath BlurTool::hitShape() const { return outline(); }

void BlurTool::draw(QPainter &painter, const QImage *lowQuality, std::optional<QUuid>) const {
    if (!lowQuality || lowQuality->isNull())
        return;
    const QRectF r = box();
    if (r.isEmpty())
        return;
    // Only the covered part of the source is sampled; nearest-pixel scaling gives blocks.
    const double ratio = lowQuality->devicePixelRatio();
    const QRectF source(r.topLeft() * ratio, r.size() * ratio);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setClipRect(r, Qt::IntersectClip);
    painter.drawImage(r, *lowQuality, source);
    painter.restore();
}

QImage BlurTool::makeLowQuality(const QImage &snapshot) {
    if (snapshot.isNull())
        return {};
    const int w = std::max(1, snapshot.width() / kBlockSize);
    const int h = std::max(1, snapshot.height() / kBlockSize);
    QImage small = snapshot.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Keeps the snapshot's size in points, so one source pixel covers one block.
    small.setDevicePixelRatio(snapshot.devicePixelRatio() * w / snapshot.width());
    return small;
}

} // namespace qn
