#pragma once
#include "annotation/DrawnFactory.h"

namespace qn::test {

inline const QRectF kFrame(0, 0, 1000, 800);

// An object of `kind` as the factory builds it from two points, in a plain colour.
inline DrawnPtr build(Tool kind, QPointF a, QPointF b, QNColor color = {QColor("#FF4141"), false}) {
    return DrawnFactory::makeTool(a, b, {a, b}, kind, false, std::nullopt, color, kFrame);
}

inline std::optional<BaseToolData> textData(const QString &text, double size = 20) {
    BaseToolData d;
    d.kind = BaseToolData::Kind::Text;
    d.text = text;
    d.fontSize = size;
    return d;
}

inline std::optional<BaseToolData> pointData(const QString &text, std::optional<int> number,
                                             std::optional<CornerType> corner = std::nullopt) {
    BaseToolData d;
    d.kind = BaseToolData::Kind::Point;
    d.text = text;
    d.number = number;
    d.pointCorner = corner;
    return d;
}

} // namespace qn::test
