#pragma once
#include "annotation/BaseTool.h"

#include <QFont>
#include <QSizeF>

namespace qn {

// A block of text placed with its top-left corner at `startPoint`. While it is being
// edited (`activeTextEdit`) the in-place editor shows it and `draw` paints nothing.
class TextTool : public BaseTool {
public:
    static constexpr double kDefaultFontSize = 20;
    static constexpr double kMinimumDragFontSize = 15;

    TextTool() { type = Tool::Text; }

    QString text;
    double fontSize = kDefaultFontSize;
    bool activeTextEdit = false;

    void draw(QPainter &painter, const QImage *lowQuality, std::optional<QUuid> activeTool) const override;
    DrawnIntersection intersect(QPointF point) const override;
    std::shared_ptr<BaseTool> clone() const override { return std::make_shared<TextTool>(*this); }
    BaseToolData toolData() const override;
    bool equals(const BaseTool &other) const override;
    ViewHit viewHit(QPointF point, bool showControls) const override;
    bool hoverContains(QPointF) const override { return false; }
    QList<DrawnHandle> handleViews(bool showControls, bool hovered) const override;
    QRectF boundingRect() const override;

    // The text face (Inter Light) at a size.
    static QFont font(double size);
    // The size of `text` as painted, at least that of one "A" on each axis (an empty
    // text still has the box of one letter).
    static QSizeF boxSize(const QString &text, double size);
    // The in-place editor's size: room for two more letters than the text.
    static QSizeF editorSize(const QString &text, double size);
    // The plain width of `text`, without the one-letter minimum.
    static double textWidth(const QString &text, double size);

    QPointF origin() const { return startPoint.value_or(QPointF()); }
    // The text's rectangle: origin at `startPoint`, box size.
    QRectF textRect() const { return {origin(), boxSize(text, fontSize)}; }
    // Where the font-size handle sits: just right of the box, its top 2 points above the bottom.
    QPointF handleTopLeft() const;
    // The font size a handle drag gives when it reaches `current`: the horizontal
    // distance from the text's corner measured against the text's width at the drag's
    // start size; never under 15 and always finite.
    static double dragFontSize(const QString &text, double startFontSize, QPointF dragStart, QPointF current);
};

} // namespace qn
