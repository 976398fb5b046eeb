#pragma once
// The four button looks of the kit. A look decides only the plate behind a button's
// label and the label's colour; it adds no padding, so the plate is the button's size.
#include "uikit/ColorScheme.h"

#include <QColor>
#include <QRectF>
#include <memory>

class QPainter;

namespace qn {

enum class MorvaneButtonType { Plain, Primary, Secondary, Toolbar, ToolbarBordered };

// The one state a look draws, settled by priority: disabled, pressed, hovered, normal.
enum class ButtonLook { Disabled, Pressed, Hovered, Normal };
ButtonLook settleButtonLook(bool disabled, bool pressed, bool hovered);

// A look is made afresh from the button's disabled flag, hover state and scheme
// whenever the button paints; the pressed flag comes with each call.
class MorvaneButtonStyle {
public:
    MorvaneButtonStyle(bool disabled, bool hovered, ColorScheme colorScheme)
        : m_disabled(disabled), m_hovered(hovered), m_scheme(colorScheme) {}
    virtual ~MorvaneButtonStyle() = default;
    // Paints the plate so that it fills `rect`.
    virtual void paintBackground(QPainter &painter, const QRectF &rect, bool pressed) const = 0;
    virtual QColor labelColor(bool pressed) const = 0;

protected:
    ButtonLook look(bool pressed) const { return settleButtonLook(m_disabled, pressed, m_hovered); }
    bool isLight() const { return m_scheme == ColorScheme::Light; }

    bool m_disabled;
    bool m_hovered;
    ColorScheme m_scheme;
};

// Blue gradient plate with a gradient edge; transparent with a grey edge when disabled.
class PrimaryMorvaneButtonStyle final : public MorvaneButtonStyle {
public:
    using MorvaneButtonStyle::MorvaneButtonStyle;
    void paintBackground(QPainter &painter, const QRectF &rect, bool pressed) const override;
    QColor labelColor(bool pressed) const override;
};

// White (light) or grey (dark) plate with a hairline edge.
class SecondaryMorvaneButtonStyle final : public MorvaneButtonStyle {
public:
    using MorvaneButtonStyle::MorvaneButtonStyle;
    void paintBackground(QPainter &painter, const QRectF &rect, bool pressed) const override;
    QColor labelColor(bool pressed) const override;
};

// No plate until hovered or pressed.
class ToolbarMorvaneButtonStyle : public MorvaneButtonStyle {
public:
    using MorvaneButtonStyle::MorvaneButtonStyle;
    void paintBackground(QPainter &painter, const QRectF &rect, bool pressed) const override;
    QColor labelColor(bool pressed) const override;
};

// The toolbar look with a thin outline at rest. Its scheme is the one the button is
// shown in (its surroundings), not the button's own.
class ToolbarBorderedMorvaneButtonStyle final : public ToolbarMorvaneButtonStyle {
public:
    using ToolbarMorvaneButtonStyle::ToolbarMorvaneButtonStyle;
    void paintBackground(QPainter &painter, const QRectF &rect, bool pressed) const override;
};

// The look of a kit button type; none for Plain.
std::unique_ptr<MorvaneButtonStyle> makeButtonStyle(MorvaneButtonType type, bool disabled, bool hovered,
                                                    ColorScheme colorScheme, ColorScheme environmentScheme);

} // namespace qn
