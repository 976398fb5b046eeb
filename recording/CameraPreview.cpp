#include "recording/CameraPreview.h"

#include <QPainter>
#include <QPainterPath>

namespace qn::CameraPreview {

QRectF aspectFillSource(const QSizeF &frame, const QSizeF &target) {
    if (frame.isEmpty() || target.isEmpty())
        return {};
    const qreal scale = std::max(target.width() / frame.width(), target.height() / frame.height());
    const QSizeF shown(target.width() / scale, target.height() / scale);
    return QRectF(QPointF((frame.width() - shown.width()) / 2, (frame.height() - shown.height()) / 2), shown);
}

void paint(QPainter &painter, const QRectF &target, const QImage &frame) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath circle;
    circle.addEllipse(target);
    painter.setClipPath(circle);
    if (frame.isNull())
        painter.fillRect(target, Qt::black);
    else
        painter.drawImage(target, frame, aspectFillSource(frame.size(), target.size()));
    painter.restore();
}

} // namespace qn::CameraPreview
