#include "uikit/SidebarRow.h"

#include "uikit/Color.h"
#include "uikit/FocusRing.h"
#include "uikit/Typography.h"

#include <QPainter>
#include <cmath>

namespace qn {

namespace {
constexpr int kTextInset = 14;
constexpr qreal kRadius = 4;
} // namespace

SidebarRow::SidebarRow(const QString &title, bool active, QWidget *parent) : QAbstractButton(parent), m_active(active) {
    setText(title);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(kHeight);
    setCursor(Qt::ArrowCursor);
}

void SidebarRow::setActive(bool active) {
    m_active = active;
    update();
}

QColor SidebarRow::fillColor() const {
    return m_active ? Color::Settings::hex282828Opacity10() : QColor(Qt::transparent);
}

QSize SidebarRow::sizeHint() const {
    const QSizeF text = measureStyledText(this->text(), TextStyle::contentS());
    return QSize(static_cast<int>(std::ceil(text.width())) + 2 * kTextInset, kHeight);
}

QSize SidebarRow::minimumSizeHint() const { return QSize(2 * kTextInset, kHeight); }

void SidebarRow::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect());
    if (m_active) {
        p.setPen(Qt::NoPen);
        p.setBrush(fillColor());
        p.drawRoundedRect(r, kRadius, kRadius);
    }
    drawStyledText(p, r.adjusted(kTextInset, 0, -kTextInset, 0), Qt::AlignLeft | Qt::AlignVCenter, text(),
                   TextStyle::contentS(), Color::Gray::hex282828());
    if (showsFocusRing(this))
        paintFocusRing(p, r, kRadius);
}

} // namespace qn
