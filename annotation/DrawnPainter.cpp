#include "annotation/DrawnPainter.h"

#include "annotation/DrawnInputDispatcher.h"
#include "annotation/ToolPoint.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qn {

namespace {

template <typename Visit> void forEachPainted(const DrawnPaintInput &in, Visit visit) {
    for (const DrawnPtr &t : in.drawedTools) {
        if (!t || (in.hiddenId && t->id == *in.hiddenId) || (in.skipPoints && t->type == Tool::Point))
            continue;
        visit(*t);
    }
    if (in.drawingTool && !(in.skipPoints && in.drawingTool->type == Tool::Point))
        visit(*in.drawingTool);
}

// The difference blend of `layer` onto `target` at `at` (device pixels), both
// premultiplied: what the painter's own difference mode computes, without its cost
// on the mostly transparent pixels of a layer.
void compositeDifference(QImage &target, QPoint at, const QImage &layer) {
    const bool opaqueTarget = target.format() == QImage::Format_RGB32;
    for (int y = 0; y < layer.height(); ++y) {
        const auto *src = reinterpret_cast<const QRgb *>(layer.constScanLine(y));
        auto *dst = reinterpret_cast<QRgb *>(target.scanLine(at.y() + y)) + at.x();
        for (int x = 0; x < layer.width(); ++x) {
            const QRgb s = src[x];
            const int sa = qAlpha(s);
            if (sa == 0)
                continue;
            const QRgb d = dst[x];
            const int da = opaqueTarget ? 255 : qAlpha(d);
            const auto channel = [sa, da](int sc, int dc) {
                return std::clamp(sc + dc - 2 * std::min(sc * da, dc * sa) / 255, 0, 255);
            };
            const int a = opaqueTarget ? 255 : sa + da - sa * da / 255;
            dst[x] = qRgba(channel(qRed(s), qRed(d)), channel(qGreen(s), qGreen(d)), channel(qBlue(s), qBlue(d)), a);
        }
    }
}

} // namespace

void paintDrawnObjects(QPainter &painter, const DrawnPaintInput &in) {
    if (in.whiteboard.alpha() > 0) {
        painter.fillRect(in.cropArea, in.whiteboard);
    } else {
        forEachPainted(in, [&](const BaseTool &t) {
            if (t.type == Tool::Blur)
                t.draw(painter, in.lowQuality, in.activeTool);
        });
    }
    QList<const BaseTool *> inverted;
    forEachPainted(in, [&](const BaseTool &t) {
        if (t.type == Tool::Blur)
            return;
        if (t.paintsInverted())
            inverted.append(&t);
        else
            t.draw(painter, nullptr, in.activeTool);
    });
    if (inverted.isEmpty())
        return;

    // Inverted objects that overlap share a layer (so crossing marks invert once);
    // each layer covers only its group, never the whole frame.
    struct Group {
        QRectF bounds;
        QList<const BaseTool *> tools;
    };
    QList<Group> groups;
    for (const BaseTool *t : inverted) {
        Group merged{t->boundingRect(), {t}};
        for (qsizetype i = groups.size() - 1; i >= 0; --i) {
            if (groups[i].bounds.intersects(merged.bounds)) {
                merged.bounds |= groups[i].bounds;
                merged.tools = groups[i].tools + merged.tools;
                groups.removeAt(i);
            }
        }
        groups.append(merged);
    }
    const auto order = [&inverted](const BaseTool *a, const BaseTool *b) {
        return inverted.indexOf(a) < inverted.indexOf(b);
    };

    QPaintDevice *device = painter.device();
    const double ratio = device ? device->devicePixelRatioF() : 1.0;
    const QTransform toDevice = painter.worldTransform() * QTransform::fromScale(ratio, ratio);
    QRect deviceBounds(0, 0, device ? qRound(device->width() * ratio) : 0,
                       device ? qRound(device->height() * ratio) : 0);
    if (painter.hasClipping())
        deviceBounds &= toDevice.mapRect(painter.clipBoundingRect()).toAlignedRect();
    QImage *target = nullptr;
    if (device && device->devType() == QInternal::Image) {
        auto *image = static_cast<QImage *>(device);
        if (image->format() == QImage::Format_ARGB32_Premultiplied || image->format() == QImage::Format_RGB32)
            target = image;
    }

    for (Group &g : groups) {
        std::sort(g.tools.begin(), g.tools.end(), order);
        const QRect rect = toDevice.mapRect(g.bounds).toAlignedRect() & deviceBounds;
        if (rect.isEmpty())
            continue;
        QImage layer(rect.size(), QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        {
            QPainter lp(&layer);
            lp.setTransform(toDevice * QTransform::fromTranslate(-rect.x(), -rect.y()));
            for (const BaseTool *t : g.tools)
                t->draw(lp, nullptr, in.activeTool);
        }
        if (target) {
            compositeDifference(*target, rect.topLeft(), layer);
        } else {
            painter.save();
            painter.resetTransform();
            painter.setCompositionMode(QPainter::CompositionMode_Difference);
            layer.setDevicePixelRatio(ratio);
            painter.drawImage(QPointF(rect.topLeft()) / ratio, layer);
            painter.restore();
        }
    }
}

void paintDrawnControls(QPainter &painter, const DrawnInputDispatcher &dispatcher) {
    const auto overHandle = dispatcher.hoveredHandle();
    for (const auto &shown : dispatcher.shownObjects()) {
        const bool hovered = dispatcher.isHovered(shown.object->id);
        for (const DrawnHandle &h : shown.object->handleViews(shown.showControls, hovered)) {
            const bool pointerOver = overHandle && overHandle->first == shown.object->id && overHandle->second == h.type;
            ToolPoint::paint(painter, h, pointerOver);
        }
    }
}

} // namespace qn
