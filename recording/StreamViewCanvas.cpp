#include "recording/StreamViewCanvas.h"

#include <QBitmap>
#include <QPainter>
#include <cmath>

namespace qn::StreamViewCanvas {

qreal fadeOpacity(qint64 ms) {
    if (ms <= kHoldMs)
        return 1.0;
    if (ms >= kHoldMs + kFadeMs)
        return 0.0;
    return 1.0 - qreal(ms - kHoldMs) / kFadeMs;
}

namespace {
// A window of its own cannot invert what lies beneath it without a compositing
// manager: an inversion stroke is drawn white with a dark rim instead, which
// shows on light and dark screens alike.
void drawStroke(QPainter &painter, const BaseTool &tool) {
    if (!tool.color.mask) {
        tool.draw(painter, nullptr, std::nullopt);
        return;
    }
    const std::shared_ptr<BaseTool> copy = tool.clone();
    copy->color = QNColor{QColor(0x28, 0x28, 0x28), false};
    for (const QPointF offset : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)}) {
        painter.save();
        painter.translate(offset);
        copy->draw(painter, nullptr, std::nullopt);
        painter.restore();
    }
    copy->color = QNColor{Qt::white, false};
    copy->draw(painter, nullptr, std::nullopt);
}
} // namespace

void paint(QPainter &painter, const QList<ToolPtr> &strokes, const ToolPtr &drawing, qreal opacity, bool paused) {
    if (paused || opacity <= 0)
        return;
    painter.save();
    painter.setOpacity(opacity);
    painter.setRenderHint(QPainter::Antialiasing);
    // Inversion strokes come last, over the plain ones, as their own layer.
    for (bool inversion : {false, true}) {
        for (const ToolPtr &tool : strokes)
            if (tool && tool->color.mask == inversion)
                drawStroke(painter, *tool);
        if (drawing && drawing->color.mask == inversion)
            drawStroke(painter, *drawing);
    }
    painter.restore();
}

qreal dissolveStep(qreal opacity) {
    if (!(opacity > 0))
        return 0;
    if (opacity >= 1)
        return 1;
    // Four steps keep the window's shape changes few during a fade.
    return std::ceil(opacity * 4) / 4;
}

QRegion coverage(const QList<ToolPtr> &strokes, const ToolPtr &drawing, qreal opacity, bool paused,
                 const QRect &bounds) {
    const qreal step = dissolveStep(opacity);
    if (paused || step <= 0)
        return {};
    QRectF area;
    const auto add = [&](const ToolPtr &tool) {
        if (!tool)
            return;
        // A stroke's frame with room for its line width and arrow heads.
        QRectF r = tool->area.normalized();
        for (const QPointF &p : tool->points)
            r = r.united(QRectF(p, QSizeF(1, 1)));
        if (tool->startPoint)
            r = r.united(QRectF(*tool->startPoint, QSizeF(1, 1)));
        if (tool->endPoint)
            r = r.united(QRectF(*tool->endPoint, QSizeF(1, 1)));
        area = area.united(r.adjusted(-24, -24, 24, 24));
    };
    for (const ToolPtr &tool : strokes)
        add(tool);
    add(drawing);
    const QRect box = area.toAlignedRect().intersected(bounds);
    if (box.isEmpty())
        return {};

    QImage image(box.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.translate(-box.topLeft());
        paint(p, strokes, drawing, 1.0, false);
    }
    if (step < 1) {
        // A 2 x 2 ordered pattern: each step keeps one more of four pixels.
        static const int order[2][2] = {{0, 2}, {3, 1}};
        const int keep = int(std::lround(step * 4));
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if (order[(y + box.top()) & 1][(x + box.left()) & 1] >= keep)
                    line[x] = 0;
        }
    }
    // Faint antialiasing fringes would show as hard dark edges in a binary shape.
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) < 96)
                line[x] = 0;
    }
    QRegion region(QBitmap::fromImage(image.createAlphaMask(Qt::ThresholdAlphaDither)));
    return region.translated(box.topLeft());
}

} // namespace qn::StreamViewCanvas
