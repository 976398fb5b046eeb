#include "annotation/ToolPainter.h"

#include "annotation/ToolInputDispatcher.h"
#include "annotation/ToolPoint.h"

#include <QPainter>
#include <cmath>

namespace qn {

namespace {

template <typename Visit> void forEachPainted(const ToolPaintInput &in, Visit visit) {
    for (const ToolPtr &t : in.drawedTools) {
        if (!t || (in.hiddenId && t->id == *in.hiddenId) || (in.skipPoints && t->type == Tool::Point))
            continue;
        visit(*t);
    }
    if (in.drawingTool && !(in.skipPoints && in.drawingTool->type == Tool::Point))
        visit(*in.drawingTool);
}

} // namespace

void paintTools(QPainter &painter, const ToolPaintInput &in) {
    if (in.whiteboard.alpha() > 0) {
        painter.fillRect(in.cropArea, in.whiteboard);
    } else {
        forEachPainted(in, [&](const BaseTool &t) {
            if (t.type == Tool::Blur)
                t.draw(painter, in.lowQuality, in.activeTool);
        });
    }
    QRectF inverted;
    forEachPainted(in, [&](const BaseTool &t) {
        if (t.type == Tool::Blur)
            return;
        if (t.paintsInverted())
            inverted |= t.boundingRect();
        else
            t.draw(painter, nullptr, in.activeTool);
    });
    if (inverted.isEmpty())
        return;

    // The layer covers only what the inverted objects touch.
    const QTransform world = painter.worldTransform();
    QRectF logical = world.mapRect(inverted).intersected(QRectF(painter.window()));
    const QRect rect = logical.toAlignedRect();
    if (rect.isEmpty())
        return;
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    QImage layer((QSizeF(rect.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        lp.setTransform(world * QTransform::fromTranslate(-rect.x(), -rect.y()));
        forEachPainted(in, [&](const BaseTool &t) {
            if (t.type != Tool::Blur && t.paintsInverted())
                t.draw(lp, nullptr, in.activeTool);
        });
    }
    painter.save();
    painter.resetTransform();
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.drawImage(rect.topLeft(), layer);
    painter.restore();
}

void paintToolControls(QPainter &painter, const ToolInputDispatcher &dispatcher) {
    const auto overHandle = dispatcher.hoveredHandle();
    for (const auto &shown : dispatcher.shownObjects()) {
        const bool hovered = dispatcher.isHovered(shown.tool->id);
        for (const ToolHandle &h : shown.tool->handleViews(shown.showControls, hovered)) {
            const bool pointerOver = overHandle && overHandle->first == shown.tool->id && overHandle->second == h.type;
            ToolPoint::paint(painter, h, pointerOver);
        }
    }
}

} // namespace qn
