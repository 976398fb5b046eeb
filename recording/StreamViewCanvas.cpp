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

void paint(QPainter &painter, const QList<DrawnPtr> &strokes, const DrawnPtr &drawing, qreal opacity, bool paused) {
    if (paused || opacity <= 0)
        return;
    painter.save();
    painter.setOpacity(opacity);
    painter.setRenderHint(QPainter::Antialiasing);
    // Inversion strokes come last, over the plain ones, as their own layer.
    for (bool inversion : {false, true}) {
        for (const DrawnPtr &tool : strokes)
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

QRect strokeBounds(const BaseTool &tool) {
    // Room for the line width and arrow heads around the frame.
    QRectF r = tool.area.normalized();
    for (const QPointF &p : tool.points)
        r = r.united(QRectF(p, QSizeF(1, 1)));
    if (tool.startPoint)
        r = r.united(QRectF(*tool.startPoint, QSizeF(1, 1)));
    if (tool.endPoint)
        r = r.united(QRectF(*tool.endPoint, QSizeF(1, 1)));
    return r.adjusted(-24, -24, 24, 24).toAlignedRect();
}

QRegion strokeRegion(const DrawnPtr &tool, const QRect &bounds) {
    if (!tool)
        return {};
    const QRect box = strokeBounds(*tool).intersected(bounds);
    if (box.isEmpty())
        return {};
    QImage image(box.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(-box.topLeft());
        drawStroke(p, *tool);
    }
    // Faint antialiasing fringes would show as hard dark edges in a binary shape.
    return QRegion(QBitmap::fromImage(image.createAlphaMask(Qt::ThresholdAlphaDither))).translated(box.topLeft());
}

QRegion coverage(const QList<DrawnPtr> &strokes, const DrawnPtr &drawing, qreal opacity, bool paused,
                 const QRect &bounds, RegionCache *cache) {
    const qreal step = dissolveStep(opacity);
    if (paused || step <= 0)
        return {};
    QRegion region;
    RegionCache kept;
    for (const DrawnPtr &tool : strokes) {
        if (!tool)
            continue;
        QRegion one;
        if (cache && cache->contains(tool.get()))
            one = cache->value(tool.get());
        else
            one = strokeRegion(tool, bounds);
        kept.insert(tool.get(), one);
        region += one;
    }
    if (cache)
        *cache = kept;
    region += strokeRegion(drawing, bounds);
    if (region.isEmpty() || step >= 1)
        return region;
    // Squares of 2 x 2 pixels in an ordered pattern of four: each step keeps one
    // square fewer, whatever way a stroke runs.
    static const int order[2][2] = {{0, 2}, {3, 1}};
    const int keep = int(std::lround(step * 4));
    const QRect box = region.boundingRect();
    QImage mask(box.size(), QImage::Format_Mono);
    mask.fill(0);
    for (const QRect &r : region) {
        const QRect local = r.translated(-box.topLeft());
        for (int y = local.top(); y <= local.bottom(); ++y) {
            uchar *line = mask.scanLine(y);
            const int by = ((y + box.top()) >> 1) & 1;
            for (int x = local.left(); x <= local.right(); ++x)
                if (order[by][((x + box.left()) >> 1) & 1] < keep)
                    line[x >> 3] |= uchar(0x80 >> (x & 7));
        }
    }
    mask.setColorCount(2);
    mask.setColor(0, QColor(Qt::color0).rgb());
    mask.setColor(1, QColor(Qt::color1).rgb());
    return QRegion(QBitmap::fromImage(mask)).translated(box.topLeft());
}

} // namespace qn::StreamViewCanvas
