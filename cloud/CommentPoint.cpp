#include "cloud/CommentPoint.h"

#include "annotation/PointTool.h"

namespace qn {

QList<CommentPoint> commentPointsOf(const QList<DrawnPtr> &tools) {
    QList<CommentPoint> out;
    for (const DrawnPtr &tool : tools) {
        const auto *point = tool && tool->type == Tool::Point ? dynamic_cast<const PointTool *>(tool.get()) : nullptr;
        if (!point)
            continue;
        // A point always has both ends; its area stands in should one be missing.
        const QPointF start = point->startPoint.value_or(point->area.topLeft());
        const QPointF end = point->endPoint.value_or(point->area.bottomRight());
        out.append(CommentPoint{point->number ? std::optional<qint64>(*point->number) : std::nullopt, point->text,
                                point->color, start, end, point->pointCorner});
    }
    return out;
}

} // namespace qn
