#pragma once
#include "annotation/CornerType.h"
#include "annotation/QNColor.h"
#include "annotation/Tool.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QUuid>
#include <functional>
#include <memory>
#include <optional>

class QPainter;

namespace qn {

class BaseTool;
using ToolPtr = std::shared_ptr<const BaseTool>;

// What a hit test found: nothing, the object's body, or one of its handles.
struct ToolIntersection {
    int kind = 0;                      // 0 none, 1 body, 2 handle
    std::optional<CornerType> corner;  // set for a handle
    std::optional<Tool> tool;          // set for the body
};

// A drawn object: a value (kind, geometry, colour, points) that paints and
// hit-tests itself. Every change is made on a copy that replaces the old value.
class BaseTool {
public:
    virtual ~BaseTool() = default;

    QUuid id = QUuid::createUuid();
    Tool type = Tool::Pointer;
    QRectF area;
    QNColor color;
    std::optional<QPointF> startPoint;
    std::optional<QPointF> endPoint;
    QList<QPointF> points;
    bool active = false;
    bool hover = false;
    bool drawed = false;

    // Paints the object. `lowQuality` is the pixelation source of blur objects;
    // `activeTool` is the selected object's identity (none when exporting).
    virtual void draw(QPainter &painter, const QImage *lowQuality, std::optional<QUuid> activeTool) const = 0;
    virtual ToolIntersection intersect(QPointF point) const = 0;
    virtual std::shared_ptr<BaseTool> clone() const = 0;
};

} // namespace qn
