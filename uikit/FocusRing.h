#pragma once
// The ring a kit control draws while it has the focus and the user moves the focus
// with the keyboard (as Qt's own controls decide), inside its own edge, since a
// control has no room outside it.
#include <QRectF>

class QPainter;
class QWidget;

namespace qn {

void paintFocusRing(QPainter &painter, const QRectF &rect, qreal radius);
// Whether `widget` should show the ring now.
bool showsFocusRing(const QWidget *widget);

} // namespace qn
