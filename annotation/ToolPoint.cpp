#include "annotation/ToolPoint.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace qn::ToolPoint {

void paint(QPainter &painter, const DrawnHandle &handle, bool pointerOver) {
    if (handle.opacity <= 0)
        return;
    painter.save();
    painter.setOpacity(painter.opacity() * handle.opacity);
    painter.translate(handle.topLeft + QPointF(kSize / 2, kSize / 2));
    if (handle.rotation != 0)
        painter.rotate(qRadiansToDegrees(handle.rotation));
    painter.translate(-kSize / 2, -kSize / 2);
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath fill;
    fill.addRoundedRect(QRectF(0.5, 0.5, kSize - 0.5, kSize - 0.5), 3, 3);
    painter.fillPath(fill, Qt::white);

    const double m = pointerOver ? 1.0 : 0.5;
    QPen pen(Qt::black, pointerOver ? 2.0 : 1.0, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(m, m, kSize - 2 * m, kSize - 2 * m), 2, 2);
    painter.restore();
}

} // namespace qn::ToolPoint
