#include "uikit/Divider.h"

#include <QPainter>
#include <cmath>

namespace qn {

namespace {
// Only a positive, finite size fixes a side.
qreal fixedOrZero(qreal v) { return std::isfinite(v) && v > 0 ? v : 0; }
int pixelsFor(qreal v) { return std::max(1, static_cast<int>(std::ceil(v))); }
} // namespace

Divider::Divider(const QColor &color, qreal width, qreal height, QWidget *parent)
    : QWidget(parent), m_color(color), m_width(fixedOrZero(width)), m_height(fixedOrZero(height)) {
    setSizePolicy(m_width > 0 ? QSizePolicy::Fixed : QSizePolicy::Expanding,
                  m_height > 0 ? QSizePolicy::Fixed : QSizePolicy::Expanding);
    if (m_width > 0)
        setFixedWidth(pixelsFor(m_width));
    if (m_height > 0)
        setFixedHeight(pixelsFor(m_height));
}

void Divider::setColor(const QColor &color) {
    m_color = color;
    update();
}

QRectF Divider::lineRect() const {
    const qreal w = m_width > 0 ? m_width : width();
    const qreal h = m_height > 0 ? m_height : height();
    return QRectF((width() - w) / 2, (height() - h) / 2, w, h);
}

QSize Divider::sizeHint() const {
    return QSize(m_width > 0 ? pixelsFor(m_width) : 1, m_height > 0 ? pixelsFor(m_height) : 1);
}

void Divider::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(lineRect(), m_color);
}

} // namespace qn
