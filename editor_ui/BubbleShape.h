#pragma once
#include <QPainterPath>
#include <QRegion>
#include <optional>

namespace qn {

// The speech-bubble outline both popovers share: a body inset 6 px with 6 px
// corners, and on `arrowSide` (none: no arrow) a 9 px wide triangle whose tip is
// the middle of that side of `rect` and whose base lies on the body.
QPainterPath bubbleOutline(const QRectF &rect, std::optional<Qt::Edge> arrowSide);

// The pixels of a bubble of `size` that take clicks (and, for a window of its own,
// that exist at all): the body and the arrow, not the transparent bands.
QRegion bubbleRegion(const QSize &size, std::optional<Qt::Edge> arrowSide);

} // namespace qn
