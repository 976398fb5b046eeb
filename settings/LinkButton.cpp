#include "settings/LinkButton.h"

#include "uikit/FocusRing.h"

#include <QPainter>
#include <cmath>

namespace qn {

LinkButton::LinkButton(const QString &text, const TextStyle &style, const QColor &color, QWidget *parent)
    : QAbstractButton(parent), m_style(style), m_color(color) {
    setText(text);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LinkButton::setLineHeight(int height) {
    m_lineHeight = height;
    updateGeometry();
}

QSize LinkButton::sizeHint() const {
    const QSizeF s = measureStyledText(text(), m_style);
    return QSize(static_cast<int>(std::ceil(s.width())) + 2,
                 m_lineHeight > 0 ? m_lineHeight : static_cast<int>(std::ceil(s.height())));
}

void LinkButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor color = m_color;
    if (isDown())
        color = color.darker(130);
    drawStyledText(p, QRectF(rect()).adjusted(1, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter, text(), m_style, color);
    if (showsFocusRing(this))
        paintFocusRing(p, QRectF(rect()), 3);
}

} // namespace qn
