#pragma once
#include "annotation/BaseTool.h"
#include "annotation/CornerType.h"
#include "annotation/QNColor.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <optional>

namespace qn {

// What an upload needs of one numbered comment point drawn on a capture: the
// overlay turns each drawn comment point into one of these when it starts an upload.
// Positions are in the overlay's coordinates (points, top-left origin), like the crop
// area they are measured against.
struct CommentPoint {
    std::optional<qint64> number;
    QString text;
    QNColor color;
    QPointF startPoint;
    QPointF endPoint;
    std::optional<CornerType> pointCorner; // the crop corner the comment box sits at
};

// The comment points among a capture's drawn objects, in drawing order.
QList<CommentPoint> commentPointsOf(const QList<DrawnPtr> &tools);

} // namespace qn
