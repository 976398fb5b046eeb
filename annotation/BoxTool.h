#pragma once
#include "annotation/BaseTool.h"

#include <QPainterPath>

namespace qn {

// The three box-shaped objects: rectangle and oval outlines and the pixelated blur.
// They share the box, its four corner handles and the drags; they differ in shape
// and painting.
class BoxTool : public BaseTool {
public:
    // The normalised box of the two corners, clamped into the drawing frame.
    QRectF box() const;
    // The outline that is painted (rectangle, oval) or filled (blur hit area).
    virtual QPainterPath outline() const = 0;
    // The region that takes presses and hover.
    virtual QPainterPath hitShape() const;

    DrawnIntersection intersect(QPointF point) const override;
    QList<DrawnHandle> handleViews(bool showControls, bool hovered) const override;
    QRectF boundingRect() const override;

protected:
    void strokeOutline(QPainter &painter) const;
};

class RectangleTool : public BoxTool {
public:
    RectangleTool() { type = Tool::Rectangle; }
    void draw(QPainter &painter, const QImage *lowQuality, std::optional<QUuid> activeTool) const override;
    std::shared_ptr<BaseTool> clone() const override { return std::make_shared<RectangleTool>(*this); }
    QPainterPath outline() const override;
};

class OvalTool : public BoxTool {
public:
    OvalTool() { type = Tool::Oval; }
    void draw(QPainter &painter, const QImage *lowQuality, std::optional<QUuid> activeTool) const override;
    std::shared_ptr<BaseTool> clone() const override { return std::make_shared<OvalTool>(*this); }
    QPainterPath outline() const override;
};

// Shows the low-quality copy of the screen inside its box: coarse blocks that hide
// what lies there. It ignores its colour and is painted under everything else.
class BlurTool : public BoxTool {
public:
    // Side of one pixelation block, in device pixels of the snapshot.
    static constexpr int kBlockSize = 5;

    BlurTool() { type = Tool::Blur; }
    void draw(QPainter &painter, const QImage *lowQuality, std::optional<QUuid> activeTool) const override;
    std::shared_ptr<BaseTool> clone() const override { return std::make_shared<BlurTool>(*this); }
    QPainterPath outline() const override;
    QPainterPath hitShape() const override;

    // The pixelation source of a snapshot: one fifth of its pixels on each axis, each
    // the average of the block it covers, with a device pixel ratio that keeps the
    // snapshot's size in points. Blur objects paint the part they cover, scaled back
    // up without smoothing, so the whole scene is never re-rendered per object.
    static QImage makeLowQuality(const QImage &snapshot);
};

} // namespace qn
