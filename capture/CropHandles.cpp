#include "capture/CropHandles.h"

#include <QPainterPathStroker>

namespace qn::cropHandles {

const QList<CornerType> &order() {
    static const QList<CornerType> list{CornerType::TopLeft,     CornerType::TopRight, CornerType::BottomLeft,
                                        CornerType::BottomRight, CornerType::Top,      CornerType::Bottom,
                                        CornerType::Left,        CornerType::Right};
    return list;
}

QRectF frame(CornerType type, const QRectF &c) {
    QPointF origin;
    switch (type) {
    case CornerType::TopLeft: origin = {c.left() - 4, c.top() - 4}; break;
    case CornerType::TopRight: origin = {c.right() - 14, c.top() - 4}; break;
    case CornerType::BottomLeft: origin = {c.left() - 4, c.bottom() - 14}; break;
    case CornerType::BottomRight: origin = {c.right() - 14, c.bottom() - 14}; break;
    case CornerType::Top: origin = {c.center().x() - 9, c.top() - 4}; break;
    case CornerType::Bottom: origin = {c.center().x() - 9, c.bottom() + 4}; break;
    case CornerType::Left: origin = {c.left() - 4, c.center().y() - 9}; break;
    case CornerType::Right: origin = {c.right() + 4, c.center().y() - 9}; break;
    }
    return {origin, QSizeF(kSize, kSize)};
}

QPainterPath outline(CornerType type, const QRectF &r) {
    QPainterPath p;
    const qreal l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
    switch (type) {
    case CornerType::TopLeft:
        p.moveTo(rt, t);
        p.lineTo(l + 3, t);
        p.quadTo(l, t, l, t + 3);
        p.lineTo(l, b);
        break;
    case CornerType::TopRight:
        p.moveTo(l, t);
        p.lineTo(rt - 3, t);
        p.quadTo(rt, t, rt, t + 3);
        p.lineTo(rt, b);
        break;
    case CornerType::BottomLeft:
        p.moveTo(l, t);
        p.lineTo(l, b - 3);
        p.quadTo(l, b, l + 3, b);
        p.lineTo(rt, b);
        break;
    case CornerType::BottomRight:
        p.moveTo(l, b);
        p.lineTo(rt - 3, b);
        p.quadTo(rt, b, rt, b - 3);
        p.lineTo(rt, t);
        break;
    case CornerType::Top:
    case CornerType::Bottom:
        p.moveTo(l, t);
        p.lineTo(rt, t);
        break;
    case CornerType::Left:
    case CornerType::Right:
        p.moveTo(l, t);
        p.lineTo(l, b);
        break;
    }
    return p;
}

namespace {
bool strokeContains(const QPainterPath &path, qreal width, Qt::PenJoinStyle join, QPointF point) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(join);
    stroker.setMiterLimit(10);
    return stroker.createStroke(path).contains(point);
}
} // namespace

std::optional<CornerType> hit(const QRectF &crop, QPointF point) {
    for (CornerType type : order())
        if (strokeContains(outline(type, frame(type, crop)), 12, Qt::MiterJoin, point))
            return type;
    return std::nullopt;
}

namespace {
bool onStrokedRect(const QRectF &rect, qreal width, QPointF point) {
    QPainterPath path;
    path.addRect(rect);
    return strokeContains(path, width, Qt::RoundJoin, point);
}
} // namespace

bool onMoveBand(const QRectF &crop, QPointF point) {
    // A 6-wide line drawn inside the frame grown by 6: its centre runs 3 outside.
    return onStrokedRect(crop.adjusted(-3, -3, 3, 3), 6, point);
}

bool onBorder(const QRectF &crop, QPointF point) { return onStrokedRect(crop.adjusted(-4, -4, 4, 4), 6, point); }

QCursor cursor(CornerType type) {
    switch (type) {
    case CornerType::TopLeft:
    case CornerType::BottomRight: return QCursor(Qt::SizeFDiagCursor);
    case CornerType::TopRight:
    case CornerType::BottomLeft: return QCursor(Qt::SizeBDiagCursor);
    case CornerType::Top:
    case CornerType::Bottom: return QCursor(Qt::SizeVerCursor);
    case CornerType::Left:
    case CornerType::Right: return QCursor(Qt::SizeHorCursor);
    }
    return QCursor(Qt::ArrowCursor);
}

Drag::Step Drag::changed(CornerType type, const QRectF &c, QPointF location, QSizeF translation, bool shift,
                         bool spaceHeld, QSizeF spaceOffset) {
    if (spaceHeld && !m_needUpdateAfterSpace)
        m_needUpdateAfterSpace = true;
    if (m_needUpdateAfterSpace && !spaceHeld) {
        m_needUpdateAfterSpace = false;
        // The Space move shifted the rectangle; an edge handle continues from there.
        if (m_lastPoint) {
            if (type == CornerType::Top || type == CornerType::Bottom)
                m_lastPoint->rx() += spaceOffset.width();
            else if (type == CornerType::Left || type == CornerType::Right)
                m_lastPoint->ry() += spaceOffset.height();
        }
    }
    const bool corner = type == CornerType::TopLeft || type == CornerType::TopRight || type == CornerType::BottomLeft ||
                        type == CornerType::BottomRight;
    if (!m_lastPoint) {
        if (corner)
            m_lastPoint = location - QPointF(translation.width(), translation.height());
        else if (type == CornerType::Top || type == CornerType::Left)
            m_lastPoint = c.topLeft();
        else
            m_lastPoint = c.bottomRight();
    }
    if (!m_startPoint) {
        switch (type) {
        case CornerType::TopLeft:
        case CornerType::Top:
        case CornerType::Left: m_startPoint = c.bottomRight(); break;
        case CornerType::TopRight: m_startPoint = QPointF(c.left(), c.bottom()); break;
        case CornerType::BottomLeft: m_startPoint = QPointF(c.right(), c.top()); break;
        case CornerType::BottomRight:
        case CornerType::Bottom:
        case CornerType::Right: m_startPoint = c.topLeft(); break;
        }
    }
    const qreal tx = translation.width(), ty = translation.height();
    QPointF moving = *m_lastPoint;
    switch (type) {
    case CornerType::Top:
    case CornerType::Bottom: moving = {m_lastPoint->x() + (shift ? ty : 0), m_lastPoint->y() + ty}; break;
    case CornerType::Left:
    case CornerType::Right: moving = {m_lastPoint->x() + tx, m_lastPoint->y() + (shift ? tx : 0)}; break;
    default: moving = {m_lastPoint->x() + tx, m_lastPoint->y() + ty}; break;
    }
    return {*m_startPoint, moving, !(shift && !corner)};
}

void Drag::ended() {
    m_startPoint.reset();
    m_lastPoint.reset();
}

} // namespace qn::cropHandles
