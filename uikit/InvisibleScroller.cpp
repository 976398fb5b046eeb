#include "uikit/InvisibleScroller.h"

#include <QAbstractScrollArea>

namespace qn {

void InvisibleScroller::applyTo(QAbstractScrollArea *area) {
    if (!area)
        return;
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

} // namespace qn
