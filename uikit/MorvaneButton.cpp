#include "uikit/MorvaneButton.h"

#include "uikit/FocusRing.h"

#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace qn {

MorvaneButton::MorvaneButton(MorvaneButtonType type, ColorScheme colorScheme, QWidget *parent)
    : QAbstractButton(parent), m_type(type), m_scheme(colorScheme) {
    setFocusPolicy(Qt::TabFocus);
    // Connected first, so editing has ended before any caller's slot runs.
    connect(this, &QAbstractButton::clicked, this, &MorvaneButton::endEditingInWindow);
    connect(this, &QAbstractButton::pressed, this, &MorvaneButton::restyle);
    connect(this, &QAbstractButton::released, this, &MorvaneButton::restyle);
}

MorvaneButton::MorvaneButton(const QString &text, MorvaneButtonType type, ColorScheme colorScheme, QWidget *parent)
    : MorvaneButton(type, colorScheme, parent) {
    setText(text);
}

void MorvaneButton::setType(MorvaneButtonType type) {
    m_type = type;
    restyle();
}

void MorvaneButton::setColorScheme(ColorScheme scheme) {
    m_scheme = scheme;
    restyle();
}

void MorvaneButton::setHovered(bool hovered) {
    m_hovered = hovered;
    restyle();
}

void MorvaneButton::setTextStyle(const TextStyle &style) {
    m_textStyle = style;
    updateGeometry();
    update();
}

void MorvaneButton::setLabelColor(const std::optional<QColor> &color) {
    m_labelColor = color;
    restyle();
}

void MorvaneButton::setLabel(QWidget *label) {
    delete m_label;
    m_label = label;
    if (label) {
        label->setParent(this);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setGeometry(rect());
        label->show();
    }
    updateGeometry();
    restyle();
}

std::unique_ptr<MorvaneButtonStyle> MorvaneButton::currentStyle() const {
    return makeButtonStyle(m_type, !isEnabled(), m_hovered, m_scheme, environmentColorScheme(this));
}

QColor MorvaneButton::currentLabelColor() const {
    if (m_labelColor)
        return *m_labelColor;
    if (const auto style = currentStyle())
        return style->labelColor(isDown());
    // The plain look keeps the surroundings' text colour, dimmed while pressed or disabled.
    QColor c = palette().color(QPalette::Active, QPalette::ButtonText);
    if (!isEnabled())
        c.setAlphaF(0.4f);
    else if (isDown())
        c.setAlphaF(0.6f);
    return c;
}

QSize MorvaneButton::sizeHint() const {
    if (m_label)
        return m_label->sizeHint();
    const QSizeF s = measureStyledText(text(), m_textStyle);
    return QSize(static_cast<int>(std::ceil(s.width())), static_cast<int>(std::ceil(s.height())));
}

QSize MorvaneButton::minimumSizeHint() const { return m_label ? m_label->minimumSizeHint() : sizeHint(); }

void MorvaneButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const QRectF r(rect());
    if (const auto style = currentStyle())
        style->paintBackground(p, r, isDown());
    if (!m_label && !text().isEmpty())
        drawStyledText(p, r, Qt::AlignCenter, text(), m_textStyle, currentLabelColor());
    if (showsFocusRing(this))
        paintFocusRing(p, r, m_type == MorvaneButtonType::Primary || m_type == MorvaneButtonType::Secondary ? 6 : 4);
}

void MorvaneButton::enterEvent(QEnterEvent *event) {
    QAbstractButton::enterEvent(event);
    setHovered(true);
}

void MorvaneButton::leaveEvent(QEvent *event) {
    QAbstractButton::leaveEvent(event);
    setHovered(false);
}

void MorvaneButton::changeEvent(QEvent *event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange)
        restyle();
}

void MorvaneButton::resizeEvent(QResizeEvent *event) {
    QAbstractButton::resizeEvent(event);
    if (m_label)
        m_label->setGeometry(rect());
}

void MorvaneButton::endEditingInWindow() {
    QWidget *focused = window() ? window()->focusWidget() : nullptr;
    if (focused && focused != this)
        focused->clearFocus();
}

void MorvaneButton::restyle() {
    if (m_label) {
        const QColor color = currentLabelColor();
        QPalette p = m_label->palette();
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                p.setColor(group, role, color);
        m_label->setPalette(p);
    }
    update();
}

} // namespace qn
