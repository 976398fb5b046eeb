#include "uikit/TextInputLook.h"

#include "uikit/Color.h"

#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>

namespace qn {

QColor TextInputLook::fill(ColorScheme scheme, bool disabled, bool error, bool editing) {
    const bool light = scheme == ColorScheme::Light;
    if (disabled)
        return Qt::transparent;
    if (error)
        return colorFromHex(light ? QStringLiteral("#FFEBE2") : QStringLiteral("#5F3636"));
    if (editing)
        return colorFromHex(light ? QStringLiteral("#F6F6F6") : QStringLiteral("#282828"));
    return colorFromHex(light ? QStringLiteral("#FFFFFF") : QStringLiteral("#373737"));
}

QColor TextInputLook::text(MorvaneTextViewType type, ColorScheme scheme, bool disabled, bool editing) {
    const bool light = scheme == ColorScheme::Light;
    if (type == MorvaneTextViewType::Plain || (!disabled && editing))
        return colorFromHex(light ? QStringLiteral("#282828") : QStringLiteral("#E3E3E3"));
    if (disabled)
        return colorFromHex(light ? QStringLiteral("#DBDBDB") : QStringLiteral("#B7B7B7"));
    return colorFromHex(QStringLiteral("#B7B7B7"));
}

QColor TextInputLook::placeholder(bool disabled) {
    return colorFromHex(disabled ? QStringLiteral("#DBDBDB") : QStringLiteral("#B7B7B7"));
}

void TextInputLook::paintBackground(QPainter &painter, const QRectF &rect, qreal cornerRadius, bool showBorder,
                                    const QColor &fill) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(rect, cornerRadius, cornerRadius);
    painter.fillPath(shape, fill);
    if (showBorder) {
        QPen pen(Color::hex(QStringLiteral("#000000"), 0.12), 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const qreal inner = std::max<qreal>(0, cornerRadius - 0.5);
        painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), inner, inner);
    }
    painter.restore();
}

bool TextInputLook::endsEditing(const QFocusEvent *event) {
    return event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason;
}

bool TextInputLook::beginsEditing(const QFocusEvent *event) { return event->reason() != Qt::PopupFocusReason; }

} // namespace qn
