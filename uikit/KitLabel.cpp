#include "uikit/KitLabel.h"

#include <QPainter>
#include <cmath>

namespace qn {

KitLabel::KitLabel(const QString &text, const TextStyle &style, std::optional<QColor> color, QWidget *parent)
    : QWidget(parent), m_text(text), m_style(style), m_color(color) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void KitLabel::setText(const QString &text) {
    if (text == m_text)
        return;
    m_text = text;
    changed();
}

void KitLabel::setTextStyle(const TextStyle &style) {
    m_style = style;
    changed();
}

QColor KitLabel::color() const { return m_color.value_or(palette().color(QPalette::WindowText)); }

void KitLabel::setColor(const std::optional<QColor> &color) {
    m_color = color;
    update();
}

void KitLabel::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

void KitLabel::setWordWrap(bool wrap) {
    m_wrap = wrap;
    // A wrapping label grows to the height its width needs, so it must not be Fixed.
    QSizePolicy policy(QSizePolicy::Preferred, wrap ? QSizePolicy::Preferred : QSizePolicy::Fixed);
    policy.setHeightForWidth(wrap);
    setSizePolicy(policy);
    if (wrap && (m_alignment & Qt::AlignVCenter))
        m_alignment = (m_alignment & ~Qt::AlignVertical_Mask) | Qt::AlignTop;
    changed();
}

QSize KitLabel::sizeHint() const {
    const QSizeF s = measureStyledText(m_text, m_style);
    return QSize(static_cast<int>(std::ceil(s.width())), static_cast<int>(std::ceil(s.height())));
}

QSize KitLabel::minimumSizeHint() const {
    if (!m_wrap)
        return sizeHint();
    // Wrapping: as narrow as the longest word allows.
    const QSizeF s = measureStyledText(m_text, m_style, 1);
    return QSize(static_cast<int>(std::ceil(s.width())),
                 static_cast<int>(std::ceil(measureStyledText(m_text, m_style).height())));
}

int KitLabel::heightForWidth(int width) const {
    return static_cast<int>(std::ceil(measureStyledText(m_text, m_style, m_wrap ? width : -1).height()));
}

void KitLabel::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawStyledText(p, QRectF(rect()), m_alignment, m_text, m_style, color(), m_wrap);
}

void KitLabel::changed() {
    updateGeometry();
    update();
}

} // namespace qn
