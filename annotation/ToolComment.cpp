#include "annotation/ToolComment.h"

#include "annotation/PointTool.h"
#include "uikit/HexColor.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

namespace qn {

namespace {

QFont numberFont() {
    QFont f(QStringLiteral("Inter"));
    f.setPixelSize(13);
    return f;
}

QFont commentFont() {
    QFont f(QStringLiteral("Inter"));
    f.setPixelSize(15);
    return f;
}

constexpr int kCommentFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

QRectF commentRect(const PointTool &point, double width) {
    if (point.text.isEmpty())
        return {};
    return QFontMetricsF(commentFont()).boundingRect(QRectF(0, 0, width, 1e6), kCommentFlags, point.text);
}

} // namespace

QPainterPath logoPath(const QRectF &rect) {
    const double w = rect.width();
    const double h = rect.height();
    const auto p = [w, h](double fx, double fy) { return QPointF(fx * w, fy * h); };
    QPainterPath path;
    path.moveTo(p(0.5, 0.0));
    path.cubicTo(p(0.78, 0.05), p(1.0, 0.2), p(1.0, 0.45));
    path.cubicTo(p(1.0, 0.75), p(0.8, 0.95), p(0.55, 1.0));
    path.cubicTo(p(0.3, 1.05), p(0.05, 1.0), p(0.0, 0.85));
    path.cubicTo(p(-0.05, 0.6), p(0.05, 0.4), p(0.2, 0.3));
    path.cubicTo(p(0.35, 0.2), p(0.4, 0.05), p(0.5, 0.0));
    path.closeSubpath();
    return path;
}

namespace ToolComment {

double height(const PointTool &point, double width) {
    const QRectF text = commentRect(point, width);
    return kBadgeHeight + (text.isEmpty() ? 0 : kSpacing + text.height());
}

void paintBadge(QPainter &painter, const QRectF &rect, const PointTool &point) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor fill = point.color.mask ? colorFromHex(QStringLiteral("#282828")) : point.color.color;
    painter.fillPath(pointPath(rect), fill);
    // The number or the mark sits 2 points above the centre, in the body above the tail.
    const QPointF centre = rect.center() - QPointF(0, 2);
    if (point.number) {
        painter.setFont(numberFont());
        painter.setPen(Qt::white);
        painter.drawText(QRectF(centre.x() - 30, centre.y() - 10, 60, 20), Qt::AlignCenter,
                         QString::number(*point.number));
    } else {
        const QSizeF mark(12.8, 12.9);
        painter.translate(centre - QPointF(mark.width() / 2, mark.height() / 2));
        painter.fillPath(logoPath(QRectF(QPointF(), mark)), Qt::white);
    }
    painter.restore();
}

double paint(QPainter &painter, QPointF topLeft, double width, const PointTool &point, const QColor &textColor) {
    paintBadge(painter, QRectF(topLeft, QSizeF(kBadgeWidth, kBadgeHeight)), point);
    const QRectF text = commentRect(point, width);
    if (!text.isEmpty()) {
        painter.save();
        painter.setFont(commentFont());
        painter.setPen(textColor);
        painter.drawText(QRectF(topLeft.x(), topLeft.y() + kBadgeHeight + kSpacing, width, text.height() + 2),
                         kCommentFlags, point.text);
        painter.restore();
    }
    return height(point, width);
}

} // namespace ToolComment
} // namespace qn
