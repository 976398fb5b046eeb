#pragma once
// The ring a kit control draws while it has the keyboard focus (reached with Tab),
// inside its own edge, since a control has no room outside it.
#include <QRectF>

class QFocusEvent;
class QPainter;

namespace qn {

void paintFocusRing(QPainter &painter, const QRectF &rect, qreal radius);
// Whether a focus-in came from the keyboard, so that the ring should show.
bool isKeyboardFocus(const QFocusEvent *event);

} // namespace qn
