#pragma once
// Scrolling without scroll bars: the area still scrolls by wheel, touchpad and keys,
// but never shows a bar or gives one any room.
class QAbstractScrollArea;

namespace qn {

struct InvisibleScroller {
    static void applyTo(QAbstractScrollArea *area);
};

} // namespace qn
