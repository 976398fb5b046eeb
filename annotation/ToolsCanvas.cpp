#include "annotation/ToolsCanvas.h"

#include "annotation/DrawViewModel.h"

#include <QPainter>
#include <cmath>

namespace qn {

AnnotationScene AnnotationScene::fromModel(const DrawViewModel &model) {
    AnnotationScene scene;
    scene.objects = model.drawedTools();
    scene.drawingTool = model.drawingTool();
    if (const ToolPtr replaced = model.needDeleteTool())
        scene.hiddenTool = replaced->id;
    scene.activeTool = model.activeTool();
    scene.whiteboard = model.whiteboard();
    scene.croppedArea = model.croppedArea();
    return scene;
}

namespace toolsCanvas {

namespace {
bool shown(const AnnotationScene &s, const ToolPtr &tool) {
    if (!tool)
        return false;
    if (s.hiddenTool && tool->id == *s.hiddenTool)
        return false;
    return !(s.skipCommentPoints && tool->type == Tool::Point);
}

template <typename Pred>
void paintPass(QPainter &painter, const AnnotationScene &s, const QImage *image, Pred include) {
    for (const ToolPtr &tool : s.objects) {
        if (shown(s, tool) && include(*tool)) {
            painter.save();
            tool->draw(painter, image, s.activeTool);
            painter.restore();
        }
    }
    // The object being drawn is never one that is hidden for editing.
    if (s.drawingTool && !(s.skipCommentPoints && s.drawingTool->type == Tool::Point) && include(*s.drawingTool)) {
        painter.save();
        s.drawingTool->draw(painter, image, s.activeTool);
        painter.restore();
    }
}
} // namespace

void paintScene(QPainter &painter, const AnnotationScene &s, const QRectF &bounds) {
    const bool whiteboardOn = s.whiteboard.alpha() != 0;
    if (whiteboardOn)
        painter.fillRect(s.croppedArea, s.whiteboard);
    else
        paintPass(painter, s, s.lowQuality, [](const BaseTool &t) { return t.type == Tool::Blur; });
    paintPass(painter, s, s.snapshot, [](const BaseTool &t) { return t.type != Tool::Blur && !t.color.mask; });

    auto inverted = [](const BaseTool &t) { return t.type != Tool::Blur && t.color.mask; };
    bool any = s.drawingTool && inverted(*s.drawingTool);
    for (const ToolPtr &tool : s.objects)
        any = any || (shown(s, tool) && inverted(*tool));
    if (!any)
        return;
    // White marks on a layer of their own: where they overlap they stay white,
    // and the layer then inverts everything beneath it.
    const qreal dpr = painter.device()->devicePixelRatioF();
    const QTransform transform = painter.worldTransform();
    const QRect deviceRect = transform.mapRect(bounds).toAlignedRect();
    if (deviceRect.isEmpty())
        return;
    QImage layer(QSize(int(std::ceil(deviceRect.width() * dpr)), int(std::ceil(deviceRect.height() * dpr))),
                 QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(dpr);
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        lp.setRenderHints(painter.renderHints());
        lp.setWorldTransform(transform * QTransform::fromTranslate(-deviceRect.x(), -deviceRect.y()));
        paintPass(lp, s, s.snapshot, inverted);
    }
    painter.save();
    painter.resetTransform();
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.drawImage(deviceRect.topLeft(), layer);
    painter.restore();
}

} // namespace toolsCanvas
} // namespace qn
