#include "uikit/FocusRing.h"

#include "uikit/Color.h"

#include <QPainter>
#include <QWidget>

namespace qn {

void paintFocusRing(QPainter &painter, const QRectF &rect, qreal radius) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Color::hex(QStringLiteral("#1C6AFF"), 0.7), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(1, 1, -1, -1), std::max<qreal>(0, radius - 1),
                            std::max<qreal>(0, radius - 1));
    painter.restore();
}

bool showsFocusRing(const QWidget *widget) {
    return widget->hasFocus() && widget->window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

} // namespace qn
