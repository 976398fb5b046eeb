#include "annotation/PointTool.h"

#include "annotation/DrawnGeometry.h"
#include "annotation/ToolPoint.h"

#include <QFont>
#include <QPainter>
#include <array>

namespace qn {

namespace {
constexpr std::array<CornerType, 4> kCorners{CornerType::TopLeft, CornerType::TopRight, CornerType::BottomRight,
                                             CornerType::BottomLeft};

bool isCorner(CornerType c) {
    return c == CornerType::TopLeft || c == CornerType::TopRight || c == CornerType::BottomRight ||
           c == CornerType::BottomLeft;
}

QPainterPath ringPath(const QRectF &r) { return strokedBand(roundedBox(r, 4), 10); }

QFont numberFont() {
    QFont f(QStringLiteral("Inter"));
    f.setWeight(QFont::DemiBold);
    f.setPixelSize(12);
    return f;
}
} // namespace

QPainterPath pointPath(const QRectF &rect) {
    const auto p = [&rect](double fx, double fy) {
        return QPointF(rect.left() + fx * rect.width(), rect.top() + fy * rect.height());
    };
    QPainterPath path;
    path.moveTo(p(0.03125, 0.23704));
    path.cubicTo(p(0.03125, 0.15407), p(0.03125, 0.11258), p(0.04942, 0.08089));
    path.cubicTo(p(0.06539, 0.05301), p(0.09089, 0.03035), p(0.12225, 0.01615));
    path.cubicTo(p(0.1579, 0), p(0.20457, 0), p(0.29792, 0));
    path.lineTo(p(0.72292, 0));
    path.cubicTo(p(0.81626, 0), p(0.86293, 0), p(0.89858, 0.01615));
    path.cubicTo(p(0.92994, 0.03035), p(0.95544, 0.05301), p(0.97142, 0.08089));
    path.cubicTo(p(0.98958, 0.11258), p(0.98958, 0.15407), p(0.98958, 0.23704));
    path.lineTo(p(0.98958, 0.61481));
    path.cubicTo(p(0.98958, 0.69779), p(0.98958, 0.73927), p(0.97142, 0.77096));
    path.cubicTo(p(0.95544, 0.79884), p(0.92994, 0.8215), p(0.89858, 0.8357));
    path.cubicTo(p(0.86293, 0.85185), p(0.81626, 0.85185), p(0.72292, 0.85185));
    path.lineTo(p(0.6131, 0.85185));
    path.lineTo(p(0.39524, 0.96804));
    path.cubicTo(p(0.35452, 0.98976), p(0.33416, 1.00062), p(0.31741, 0.99923));
    path.cubicTo(p(0.3028, 0.99802), p(0.28947, 0.99131), p(0.28079, 0.9808));
    path.cubicTo(p(0.27083, 0.96875), p(0.27083, 0.94764), p(0.27083, 0.90543));
    path.lineTo(p(0.27083, 0.85185));
    path.cubicTo(p(0.20294, 0.85185), p(0.169, 0.85185), p(0.14177, 0.84319));
    path.cubicTo(p(0.09478, 0.82825), p(0.0578, 0.79538), p(0.04099, 0.75361));
    path.cubicTo(p(0.03125, 0.72941), p(0.03125, 0.69924), p(0.03125, 0.63889));
    path.lineTo(p(0.03125, 0.23704));
    path.closeSubpath();
    return path;
}

QRectF PointTool::areaRect() const {
    return rectFromPoints(startPoint, endPoint, false, area.isEmpty() ? std::nullopt : std::optional(area));
}

QPointF PointTool::pinPoint() const {
    QPointF p = endPoint.value_or(QPointF());
    if (pointCorner && startPoint && isCorner(*pointCorner))
        p = cornerOf(areaRect(), *pointCorner);
    return p;
}

QRectF PointTool::pinBox() const {
    const QPointF p = pinPoint();
    return {p.x() - 11, p.y() - 14, 23, 28};
}

bool PointTool::isPlainPin() const {
    const QRectF r = areaRect();
    return r.width() < 2 && r.height() < 2;
}

bool PointTool::showsCornerHandles() const {
    const QRectF r = areaRect();
    return r.width() > 20 && r.height() > 20;
}

QList<CornerType> PointTool::handleCorners() const {
    QList<CornerType> corners;
    for (CornerType c : kCorners)
        if (!pointCorner || *pointCorner != c)
            corners.append(c);
    return corners;
}

void PointTool::draw(QPainter &painter, const QImage *, std::optional<QUuid>) const {
    const QColor fill = paintColor();
    const QRectF r = areaRect();
    const QRectF pin = pinBox();
    const QPainterPath pinShape = pointPath(pin);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (!r.isEmpty()) {
        // The dashed outline never shows through the pin: the pin is a hole in the clip.
        painter.save();
        QPainterPath outside;
        outside.setFillRule(Qt::OddEvenFill);
        outside.addRect(r.united(pin).adjusted(-4, -4, 4, 4));
        outside.addPath(pinShape);
        painter.setClipPath(outside, Qt::IntersectClip);
        QPen pen(fill, 2, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setDashPattern({2.0, 2.0});  // 4-point dashes in units of the 2-point width
        pen.setDashOffset(1.0);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(roundedBox(r, 4));
        painter.restore();
    }
    painter.fillPath(pinShape, fill);
    if (number) {
        const QPointF p = pinPoint();
        painter.setFont(numberFont());
        painter.setPen(Qt::white);
        // In the mask colour the digits cancel the white pin inside the inversion
        // layer, so they show the picture's own colours.
        if (color.mask)
            painter.setCompositionMode(QPainter::CompositionMode_Difference);
        const QRectF textBox(p.x() + 1 - 20, p.y() - 2 - 10, 40, 20);
        painter.drawText(textBox, Qt::AlignCenter, QString::number(*number));
    }
    painter.restore();
}

DrawnIntersection PointTool::intersect(QPointF point) const {
    const QRectF r = areaRect();
    for (CornerType c : handleCorners())
        if (ToolPoint::centredOn(cornerOf(r, c)).contains(point))
            return DrawnIntersection::handle(c);
    if (ringPath(r).contains(point) || pinBox().contains(point))
        return DrawnIntersection::body(type);
    return DrawnIntersection::none();
}

ViewHit PointTool::viewHit(QPointF point, bool showControls) const {
    if (pinBox().contains(point))
        return {HitPart::Pin};
    if (showsCornerHandles()) {
        const QRectF r = areaRect();
        for (CornerType c : handleCorners())
            if (ToolPoint::centredOn(cornerOf(r, c)).contains(point))
                return {HitPart::Handle, c};
    }
    if (showControls && ringPath(areaRect()).contains(point))
        return {HitPart::Body};
    return {};
}

bool PointTool::hoverContains(QPointF point) const { return ringPath(areaRect()).contains(point); }

QList<DrawnHandle> PointTool::handleViews(bool, bool hovered) const {
    if (!showsCornerHandles())
        return {};
    const QRectF r = areaRect();
    const double opacity = ToolPoint::opacityFor(active, hovered);
    QList<DrawnHandle> handles;
    for (CornerType c : handleCorners())
        handles.append({c, ToolPoint::centredOn(cornerOf(r, c)).topLeft(), 0, opacity});
    return handles;
}

QRectF PointTool::boundingRect() const { return areaRect().adjusted(-8, -8, 8, 8).united(pinBox().adjusted(-2, -2, 2, 2)); }

BaseToolData PointTool::toolData() const {
    BaseToolData data;
    data.kind = BaseToolData::Kind::Point;
    data.tool = clone();
    data.text = text;
    data.pointCorner = pointCorner;
    data.number = number;
    return data;
}

bool PointTool::equals(const BaseTool &other) const {
    return BaseTool::equals(other) && other.startPoint == startPoint && other.endPoint == endPoint;
}

} // namespace qn
