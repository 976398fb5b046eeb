#include "annotation/BaseTool.h"

namespace qn {

BaseToolData BaseTool::toolData() const {
    BaseToolData data;
    data.tool = clone();
    return data;
}

bool BaseTool::equals(const BaseTool &other) const {
    return type == other.type && id == other.id && active == other.active;
}

ViewHit BaseTool::viewHit(QPointF point, bool showControls) const {
    if (!showControls)
        return {};
    const DrawnIntersection hit = intersect(point);
    if (hit.kind == 2)
        return {HitPart::Handle, *hit.corner};
    if (hit.kind == 1)
        return {HitPart::Body, CornerType::TopLeft};
    return {};
}

bool BaseTool::hoverContains(QPointF point) const { return intersect(point).kind == 1; }

QList<DrawnHandle> BaseTool::handleViews(bool, bool) const { return {}; }

QRectF BaseTool::boundingRect() const {
    return area.isEmpty() ? QRectF(-1e5, -1e5, 2e5, 2e5) : area;
}

QColor BaseTool::paintColor() const { return color.mask ? QColor(Qt::white) : color.color; }

namespace {
// A copy with one flag changed; the value itself when the flag already has it.
DrawnPtr withFlag(const DrawnPtr &tool, bool BaseTool::*flag, bool value) {
    if (!tool || (*tool).*flag == value)
        return tool;
    auto copy = tool->clone();
    (*copy).*flag = value;
    return copy;
}
} // namespace

DrawnPtr withActive(const DrawnPtr &tool, bool active) { return withFlag(tool, &BaseTool::active, active); }

DrawnPtr withDrawed(const DrawnPtr &tool, bool drawed) { return withFlag(tool, &BaseTool::drawed, drawed); }

DrawnPtr withPoints(const DrawnPtr &tool, std::optional<QPointF> start, std::optional<QPointF> end) {
    if (!tool)
        return tool;
    auto copy = tool->clone();
    copy->startPoint = start;
    copy->endPoint = end;
    return copy;
}

} // namespace qn
