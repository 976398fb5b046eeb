#include "settings/Switch.h"

#include "uikit/Color.h"
#include "uikit/FocusRing.h"

#include <QPainter>

namespace qn {

Switch::Switch(QWidget *parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
}

QSize Switch::sizeHint() const { return QSize(kWidth, kHeight); }

bool Switch::hitButton(const QPoint &pos) const { return rect().contains(pos); }

void Switch::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = track.height() / 2;
    const bool on = isChecked();
    QColor fill = on ? Color::hex(QStringLiteral("#1D8AFF"), 1) : Color::Button::hexDBDBDB();
    if (!isEnabled())
        fill.setAlphaF(0.5);
    p.setPen(on ? Qt::NoPen : QPen(Color::Button::hex000000Opacity12(), 0.5));
    p.setBrush(fill);
    p.drawRoundedRect(track, radius, radius);
    // The knob sits at the end the switch points to.
    const qreal knob = track.height() - 2;
    const qreal x = on ? track.right() - 1 - knob : track.left() + 1;
    p.setPen(QPen(Color::Button::hex000000Opacity12(), 0.5));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(x, track.top() + 1, knob, knob));
    if (showsFocusRing(this))
        paintFocusRing(p, track, radius);
}

} // namespace qn
