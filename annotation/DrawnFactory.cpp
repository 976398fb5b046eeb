#include "annotation/DrawnFactory.h"

#include "annotation/BoxTool.h"
#include "annotation/LineTool.h"
#include "annotation/PenTool.h"
#include "annotation/PointTool.h"
#include "annotation/TextTool.h"

#include <cmath>

namespace qn::DrawnFactory {

DrawnPtr makeTool(std::optional<QPointF> start, std::optional<QPointF> end, const QList<QPointF> &points, Tool kind,
                 bool isNew, const std::optional<BaseToolData> &saved, const QNColor &currentColor,
                 const std::optional<QRectF> &maxFrame) {
    const QNColor color = (saved && !isNew && saved->tool) ? saved->tool->color : currentColor;
    if (!maxFrame)
        return nullptr;

    std::shared_ptr<BaseTool> tool;
    switch (kind) {
    case Tool::Arrow: tool = std::make_shared<ArrowTool>(); break;
    case Tool::Line: tool = std::make_shared<LineTool>(); break;
    case Tool::Rectangle: tool = std::make_shared<RectangleTool>(); break;
    case Tool::Oval: tool = std::make_shared<OvalTool>(); break;
    case Tool::Blur: tool = std::make_shared<BlurTool>(); break;
    case Tool::Pen: {
        auto pen = std::make_shared<PenTool>();
        pen->points = points;
        start.reset();
        end.reset();
        tool = pen;
        break;
    }
    case Tool::Text: {
        auto text = std::make_shared<TextTool>();
        if (saved && saved->kind == BaseToolData::Kind::Text) {
            text->text = saved->text;
            text->fontSize = saved->fontSize;
        }
        text->activeTextEdit = isNew;
        tool = text;
        break;
    }
    case Tool::Point: {
        if (!start)
            return nullptr;
        auto point = std::make_shared<PointTool>();
        if (!end)
            end = start;
        if (saved && saved->kind == BaseToolData::Kind::Point) {
            point->text = saved->text;
            point->pointCorner = saved->pointCorner;
            point->number = saved->number;
        }
        tool = point;
        break;
    }
    case Tool::Pointer:
    case Tool::Video: return nullptr;
    }
    tool->color = color;
    tool->area = *maxFrame;
    tool->startPoint = start;
    tool->endPoint = end;
    return tool;
}

bool isToolValid(const BaseTool &tool) {
    switch (tool.type) {
    case Tool::Rectangle:
    case Tool::Oval:
    case Tool::Blur: {
        const auto *box = dynamic_cast<const BoxTool *>(&tool);
        if (!box)
            return false;
        const QRectF r = box->box();
        return r.width() >= 10 && r.height() >= 10;
    }
    case Tool::Pen: return tool.points.size() > 1;
    case Tool::Line:
    case Tool::Arrow:
        return tool.startPoint && tool.endPoint &&
               std::hypot(tool.endPoint->x() - tool.startPoint->x(), tool.endPoint->y() - tool.startPoint->y()) >= 10;
    case Tool::Text: {
        const auto *text = dynamic_cast<const TextTool *>(&tool);
        return text && !text->text.isEmpty();
    }
    case Tool::Point: {
        const auto *point = dynamic_cast<const PointTool *>(&tool);
        return point && !point->text.isEmpty();
    }
    case Tool::Pointer:
    case Tool::Video: return false;
    }
    return false;
}

} // namespace qn::DrawnFactory
