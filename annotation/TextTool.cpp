#include "annotation/TextTool.h"

#include "annotation/DrawnGeometry.h"
#include "annotation/ToolPoint.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace qn {

namespace {
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs;

QSizeF measured(const QString &text, double size) {
    const QFontMetricsF metrics(TextTool::font(size));
    return metrics.boundingRect(QRectF(0, 0, 1e6, 1e6), kTextFlags, text).size();
}

// Never smaller than the minimum text on either axis: a short text of several lines
// keeps the height of all its lines.
QSizeF atLeast(const QString &text, const QString &minimum, double size) {
    return measured(text, size).expandedTo(measured(minimum, size));
}
} // namespace

QFont TextTool::font(double size) {
    QFont f(QStringLiteral("Inter"));
    f.setWeight(QFont::Light);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    return f;
}

QSizeF TextTool::boxSize(const QString &text, double size) { return atLeast(text, QStringLiteral("A"), size); }

QSizeF TextTool::editorSize(const QString &text, double size) {
    return atLeast(text + QStringLiteral("AA"), QStringLiteral("AAA"), size);
}

double TextTool::textWidth(const QString &text, double size) { return measured(text, size).width(); }

QPointF TextTool::handleTopLeft() const {
    const QRectF r = textRect();
    return {r.right(), r.bottom() - 2};
}

double TextTool::dragFontSize(const QString &text, double startFontSize, QPointF dragStart, QPointF current) {
    double w0 = textWidth(text, startFontSize);
    // An empty text has no width to compare with: measure one letter instead.
    if (!(w0 > 0))
        w0 = textWidth(QStringLiteral("A"), startFontSize);
    if (!(w0 > 0))
        return std::max(startFontSize, kMinimumDragFontSize);
    const QRectF r = rectFromPoints(dragStart, current, false, std::nullopt);
    const double size = r.width() / w0 * startFontSize;
    if (!std::isfinite(size))
        return std::max(startFontSize, kMinimumDragFontSize);
    return std::max(size, kMinimumDragFontSize);
}

void TextTool::draw(QPainter &painter, const QImage *, std::optional<QUuid> activeTool) const {
    if (activeTextEdit)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r = textRect();
    if (activeTool && *activeTool == id) {
        const QRectF outer(r.left() - 7, r.top() - 5, r.width() + 14, r.height() + 10);
        QColor white(Qt::white);
        white.setAlphaF(0.5);
        QColor black(Qt::black);
        black.setAlphaF(0.5);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(white, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawRoundedRect(outer, 3, 3);
        painter.setPen(QPen(black, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawRoundedRect(outer.adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
    }
    painter.setFont(font(fontSize));
    painter.setPen(paintColor());
    painter.drawText(QRectF(r.topLeft(), QSizeF(1e6, 1e6)), kTextFlags, text);
    painter.restore();
}

DrawnIntersection TextTool::intersect(QPointF point) const {
    if (ToolPoint::square(handleTopLeft()).contains(point))
        return DrawnIntersection::handle(CornerType::BottomRight);
    if (roundedBox(textRect(), 3).contains(point))
        return DrawnIntersection::body(type);
    return DrawnIntersection::none();
}

// The hit area is there while the text is typed too; the font-size handle takes
// presses only where it is shown, on the selected text.
ViewHit TextTool::viewHit(QPointF point, bool showControls) const {
    if (showControls && active && ToolPoint::square(handleTopLeft()).contains(point))
        return {HitPart::Handle, CornerType::BottomRight};
    if (roundedBox(textRect(), 3).contains(point))
        return {HitPart::Body};
    return {};
}

QList<DrawnHandle> TextTool::handleViews(bool showControls, bool) const {
    if (!showControls || !active)
        return {};
    return {{CornerType::BottomRight, handleTopLeft(), 0, 1}};
}

QRectF TextTool::boundingRect() const {
    const QRectF r = textRect();
    return r.adjusted(-8, -6, 8 + ToolPoint::kSize, 6 + ToolPoint::kSize);
}

BaseToolData TextTool::toolData() const {
    BaseToolData data;
    data.kind = BaseToolData::Kind::Text;
    data.tool = clone();
    data.text = text;
    data.fontSize = fontSize;
    return data;
}

bool TextTool::equals(const BaseTool &other) const {
    const auto *t = dynamic_cast<const TextTool *>(&other);
    return t && BaseTool::equals(other) && t->text == text;
}

} // namespace qn
