#pragma once
#include "annotation/CornerType.h"
#include "annotation/QNColor.h"
#include "annotation/Tool.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QUuid>
#include <functional>
#include <memory>
#include <optional>

class QPainter;

namespace qn {

class BaseTool;
using DrawnPtr = std::shared_ptr<const BaseTool>;

// What a hit test found: nothing, the object's body, or one of its handles.
struct DrawnIntersection {
    int kind = 0;                      // 0 none, 1 body, 2 handle
    std::optional<CornerType> corner;  // set for a handle
    std::optional<Tool> tool;          // set for the body

    static DrawnIntersection none() { return {}; }
    static DrawnIntersection body(Tool tool) { return {1, std::nullopt, tool}; }
    static DrawnIntersection handle(CornerType corner) { return {2, corner, std::nullopt}; }
};

// The part of an object's interactive layer under a press: its body (moves it), a
// handle (reshapes it) or the pin of a comment point (moves or reshapes, then selects).
enum class HitPart { None, Body, Handle, Pin };
struct ViewHit {
    HitPart part = HitPart::None;
    CornerType corner = CornerType::TopLeft;
};

// One visible handle square (10 x 10) of a selected or hovered object.
struct DrawnHandle {
    CornerType type;
    QPointF topLeft;
    double rotation = 0;  // radians, about the square's centre
    double opacity = 1;
};

// The snapshot from which the factory rebuilds a copy of an object. Text objects
// carry their text and font size, comment points their text, pin corner and number.
struct BaseToolData {
    enum class Kind { Plain, Text, Point };
    Kind kind = Kind::Plain;
    DrawnPtr tool;
    QString text;
    double fontSize = 20;
    std::optional<CornerType> pointCorner;
    std::optional<int> number;
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
    bool cropPreview = false;
    bool drawed = false;

    // Paints the object. `lowQuality` is the pixelation source of blur objects;
    // `activeTool` is the selected object's identity (none when exporting).
    virtual void draw(QPainter &painter, const QImage *lowQuality, std::optional<QUuid> activeTool) const = 0;
    // The hit test behind the overlay cursor: handles first, then the body.
    virtual DrawnIntersection intersect(QPointF point) const = 0;
    virtual std::shared_ptr<BaseTool> clone() const = 0;

    virtual BaseToolData toolData() const;
    // Values of one kind compare by identity and selection (each kind may add fields).
    virtual bool equals(const BaseTool &other) const;
    // The press target of the object's interactive layer; `showControls` is true for
    // committed objects and false for the object being drawn.
    virtual ViewHit viewHit(QPointF point, bool showControls) const;
    // Whether the pointer at `point` counts as hovering the object.
    virtual bool hoverContains(QPointF point) const;
    // The handles to paint, with their opacities, for the given hover state.
    virtual QList<DrawnHandle> handleViews(bool showControls, bool hovered) const;
    // Everything the object may paint (handles and frames included); the whole drawing
    // frame unless a kind knows better.
    virtual QRectF boundingRect() const;

    // White for an inversion mark (painted through the difference blend), else the colour.
    QColor paintColor() const;
    // Objects in the mask colour go to the inversion pass; blur never does.
    bool paintsInverted() const { return color.mask && type != Tool::Blur; }
    bool operator==(const BaseTool &other) const { return equals(other); }
};

// Copies that change one field; the argument stays as it is.
DrawnPtr withActive(const DrawnPtr &tool, bool active);
DrawnPtr withDrawed(const DrawnPtr &tool, bool drawed);
DrawnPtr withPoints(const DrawnPtr &tool, std::optional<QPointF> start, std::optional<QPointF> end);

// A mutable copy of the concrete kind, or null when `tool` is of another kind.
template <typename T> std::shared_ptr<T> copyAs(const DrawnPtr &tool) {
    if (!tool)
        return nullptr;
    auto copy = tool->clone();
    return std::dynamic_pointer_cast<T>(copy);
}

} // namespace qn
