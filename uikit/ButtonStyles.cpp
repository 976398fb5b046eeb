#include "uikit/ButtonStyles.h"

#include "uikit/Color.h"
#include "uikit/Gradient.h"

#include <QPainter>
#include <QPainterPath>

namespace qn {

namespace {

constexpr qreal kPlateRadius = 6;
constexpr qreal kToolbarRadius = 4;

QPainterPath roundedRect(const QRectF &rect, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// The shared layering of the plated looks: a soft one-pixel drop shadow, the fill,
// then an edge stroked inside the plate.
void paintPlate(QPainter &painter, const QRectF &rect, const QBrush &fill, const QColor &shadow, const QBrush &edge) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QPainterPath plate = roundedRect(rect, kPlateRadius);
    if (shadow.alpha() > 0) {
        // Only where the plate does not cover it: a translucent fill must not show it.
        painter.setBrush(shadow);
        painter.drawPath(plate.translated(0, 1).subtracted(plate));
    }
    painter.setBrush(fill);
    painter.drawPath(plate);
    painter.setBrush(Qt::NoBrush);
    QPen pen(edge, 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.drawPath(roundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), kPlateRadius - 0.5));
    painter.restore();
}

QColor scheme(ColorScheme s, const QColor &light, const QColor &dark) { return s == ColorScheme::Light ? light : dark; }

QColor disabledLabel(ColorScheme s) {
    return scheme(s, Color::hex(QStringLiteral("#505050"), 0.4), Color::hex(QStringLiteral("#B7B7B7"), 0.4));
}

} // namespace

ButtonLook settleButtonLook(bool disabled, bool pressed, bool hovered) {
    if (disabled)
        return ButtonLook::Disabled;
    if (pressed)
        return ButtonLook::Pressed;
    if (hovered)
        return ButtonLook::Hovered;
    return ButtonLook::Normal;
}

void PrimaryMorvaneButtonStyle::paintBackground(QPainter &painter, const QRectF &rect, bool pressed) const {
    const ButtonLook state = look(pressed);
    if (state == ButtonLook::Disabled) {
        const QColor edge =
            scheme(m_scheme, Color::hex(QStringLiteral("#000000"), 0.12), colorFromHex(QStringLiteral("#505050")));
        paintPlate(painter, rect, Qt::NoBrush, Qt::transparent, edge);
        return;
    }
    const TwoStopGradient fill = state == ButtonLook::Pressed   ? Gradient::primaryButtonPressed()
                                 : state == ButtonLook::Hovered ? Gradient::primaryButtonHovered()
                                                                : Gradient::primaryButton();
    paintPlate(painter, rect, fill.vertical(rect), Color::hex(QStringLiteral("#367AF6"), 0.1),
               Gradient::primaryButtonBorder().vertical(rect));
}

QColor PrimaryMorvaneButtonStyle::labelColor(bool pressed) const {
    if (look(pressed) == ButtonLook::Disabled)
        return disabledLabel(m_scheme);
    return colorFromHex(QStringLiteral("#FFFFFF"));
}

void SecondaryMorvaneButtonStyle::paintBackground(QPainter &painter, const QRectF &rect, bool pressed) const {
    const bool light = isLight();
    QColor fill;
    switch (look(pressed)) {
    case ButtonLook::Disabled: fill = Qt::transparent; break;
    case ButtonLook::Pressed: fill = colorFromHex(light ? QStringLiteral("#F6F6F6") : QStringLiteral("#505050")); break;
    case ButtonLook::Hovered: fill = colorFromHex(light ? QStringLiteral("#FCFCFC") : QStringLiteral("#6D6D6D")); break;
    case ButtonLook::Normal: fill = colorFromHex(light ? QStringLiteral("#FFFFFF") : QStringLiteral("#505050")); break;
    }
    // The edge ignores the state, except that a dark plate shows it only when disabled.
    const QColor edge = light        ? Color::hex(QStringLiteral("#000000"), 0.12)
                        : m_disabled ? colorFromHex(QStringLiteral("#505050"))
                                     : QColor(Qt::transparent);
    const QColor shadow = m_disabled ? QColor(Qt::transparent) : Color::hex(QStringLiteral("#000000"), 0.03);
    paintPlate(painter, rect, fill, shadow, edge);
}

QColor SecondaryMorvaneButtonStyle::labelColor(bool pressed) const {
    if (look(pressed) == ButtonLook::Disabled)
        return disabledLabel(m_scheme);
    return colorFromHex(m_scheme == ColorScheme::Light ? QStringLiteral("#282828") : QStringLiteral("#F6F6F6"));
}

void ToolbarMorvaneButtonStyle::paintBackground(QPainter &painter, const QRectF &rect, bool pressed) const {
    const bool light = isLight();
    QColor fill = Qt::transparent;
    switch (look(pressed)) {
    case ButtonLook::Pressed:
        fill = light ? Color::Settings::hex282828Opacity15() : Color::Settings::hexF6F6F6Opacity10();
        break;
    case ButtonLook::Hovered:
        fill = light ? Color::Settings::hex282828Opacity10() : Color::Settings::hexF6F6F6Opacity15();
        break;
    default: break;
    }
    if (fill.alpha() == 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawPath(roundedRect(rect, kToolbarRadius));
    painter.restore();
}

QColor ToolbarMorvaneButtonStyle::labelColor(bool) const {
    return colorFromHex(m_scheme == ColorScheme::Light ? QStringLiteral("#505050") : QStringLiteral("#F6F6F6"));
}

void ToolbarBorderedMorvaneButtonStyle::paintBackground(QPainter &painter, const QRectF &rect, bool pressed) const {
    ToolbarMorvaneButtonStyle::paintBackground(painter, rect, pressed);
    // The outline follows hover and press only, not the disabled flag.
    if (m_hovered || pressed)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = roundedRect(rect, kToolbarRadius);
    painter.setClipPath(shape);
    QPen pen(Color::hex(QStringLiteral("#7C7C7C"), 0.3), 0.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
    painter.restore();
}

std::unique_ptr<MorvaneButtonStyle> makeButtonStyle(MorvaneButtonType type, bool disabled, bool hovered,
                                                    ColorScheme colorScheme, ColorScheme environmentScheme) {
    switch (type) {
    case MorvaneButtonType::Primary: return std::make_unique<PrimaryMorvaneButtonStyle>(disabled, hovered, colorScheme);
    case MorvaneButtonType::Secondary:
        return std::make_unique<SecondaryMorvaneButtonStyle>(disabled, hovered, colorScheme);
    case MorvaneButtonType::Toolbar: return std::make_unique<ToolbarMorvaneButtonStyle>(disabled, hovered, colorScheme);
    case MorvaneButtonType::ToolbarBordered:
        return std::make_unique<ToolbarBorderedMorvaneButtonStyle>(disabled, hovered, environmentScheme);
    case MorvaneButtonType::Plain: break;
    }
    return nullptr;
}

} // namespace qn
