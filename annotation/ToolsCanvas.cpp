#include "annotation/ToolsCanvas.h"

#include "annotation/DrawViewModel.h"

#include "annotation/DrawnPainter.h"

#include <QPainter>

namespace qn {

AnnotationScene AnnotationScene::fromModel(const DrawViewModel &model) {
    AnnotationScene scene;
    scene.objects = model.drawedTools();
    scene.drawingTool = model.drawingTool();
    if (const DrawnPtr replaced = model.needDeleteTool())
        scene.hiddenObject = replaced->id;
    scene.activeTool = model.activeTool();
    scene.whiteboard = model.whiteboard();
    scene.croppedArea = model.croppedArea();
    return scene;
}

namespace toolsCanvas {

void paintScene(QPainter &painter, const AnnotationScene &s, const QRectF &bounds) {
    DrawnPaintInput in;
    in.drawedTools = s.objects;
    in.drawingTool = s.drawingTool;
    in.hiddenId = s.hiddenObject;
    in.activeTool = s.activeTool;
    in.lowQuality = s.lowQuality;
    in.whiteboard = s.whiteboard;
    in.cropArea = s.croppedArea;
    in.skipPoints = s.skipCommentPoints;
    painter.save();
    painter.setClipRect(bounds, Qt::IntersectClip);
    paintDrawnObjects(painter, in);
    painter.restore();
}

} // namespace toolsCanvas
} // namespace qn
