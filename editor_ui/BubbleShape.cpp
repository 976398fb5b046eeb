#include "editor_ui/BubbleShape.h"

#include <QPolygonF>

namespace qn {

namespace {
constexpr qreal kInset = 6;
constexpr qreal kArrowHalf = 4.5;
} // namespace

QPainterPath bubbleOutline(const QRectF &r, std::optional<Qt::Edge> arrowSide) {
    QPainterPath path;
    path.addRoundedRect(r.adjusted(kInset, kInset, -kInset, -kInset), 6, 6);
    if (!arrowSide)
        return path;
    const QPointF c = r.center();
    QPolygonF triangle;
    switch (*arrowSide) {
    case Qt::TopEdge:
        triangle << QPointF(c.x(), r.top()) << QPointF(c.x() - kArrowHalf, r.top() + kInset)
                 << QPointF(c.x() + kArrowHalf, r.top() + kInset);
        break;
    case Qt::BottomEdge:
        triangle << QPointF(c.x(), r.bottom()) << QPointF(c.x() - kArrowHalf, r.bottom() - kInset)
                 << QPointF(c.x() + kArrowHalf, r.bottom() - kInset);
        break;
    case Qt::LeftEdge:
        triangle << QPointF(r.left(), c.y()) << QPointF(r.left() + kInset, c.y() - kArrowHalf)
                 << QPointF(r.left() + kInset, c.y() + kArrowHalf);
        break;
    case Qt::RightEdge:
        triangle << QPointF(r.right(), c.y()) << QPointF(r.right() - kInset, c.y() - kArrowHalf)
                 << QPointF(r.right() - kInset, c.y() + kArrowHalf);
        break;
    }
    path.addPolygon(triangle);
    path.closeSubpath();
    path.setFillRule(Qt::WindingFill);
    return path;
}

QRegion bubbleRegion(const QSize &size, std::optional<Qt::Edge> arrowSide) {
    const QRectF local(QPointF(0, 0), QSizeF(size));
    QRegion region(local.adjusted(kInset, kInset, -kInset, -kInset).toRect());
    for (const QPolygonF &polygon : bubbleOutline(local, arrowSide).toFillPolygons())
        region += QRegion(polygon.toPolygon());
    return region;
}

} // namespace qn
