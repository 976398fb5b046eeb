#pragma once
#include "annotation/BaseTool.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QUuid>
#include <optional>

class QPainter;

namespace qn {

class DrawViewModel;

// The annotation picture of a capture: the drawn objects over the frozen screen,
// painted in fixed passes wherever they appear (on screen and in every export):
//   0. the whiteboard fills the crop area (and then no blur object is painted);
//   1. blur objects, with the low-quality copy of the snapshot;
//   2. plain objects;
//   3. objects in the inversion colour, painted white on a layer that is
//      composited with the difference blend, so they invert what lies beneath.
struct AnnotationScene {
    QList<DrawnPtr> objects;
    DrawnPtr drawingTool;              // painted after the objects of its pass
    std::optional<QUuid> hiddenObject;  // an object replaced by the copy being edited
    std::optional<QUuid> activeTool;  // drawn as selected
    QColor whiteboard = Qt::transparent;
    QRectF croppedArea;
    bool skipCommentPoints = false;   // pictures for the cloud and for text recognition
    const QImage *lowQuality = nullptr;
    const QImage *snapshot = nullptr;

    // The scene of the editor state as the overlay shows it.
    static AnnotationScene fromModel(const DrawViewModel &model);
};

namespace toolsCanvas {

// Paints the passes of `scene` with the painter's current transform (points of the
// overlay). The inversion layer covers `bounds` (points) of the painter's device.
void paintScene(QPainter &painter, const AnnotationScene &scene, const QRectF &bounds);

} // namespace toolsCanvas
} // namespace qn
