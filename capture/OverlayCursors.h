#pragma once
#include <QCursor>
#include <QPointF>

class QWidget;

namespace qn {

class DrawViewModel;

// Which cursor the overlay shows: the tool kind's own, or what the pointer is over
// (a crop handle or border, a drawn object, a text being typed into).
namespace overlayCursors {

// One of the overlay's own cursor pictures by name, its hot spot in picture points.
QCursor named(const char *name, QPointF hot = {14, 14});
// The cursor of the tool kind (or crop drawing, or window choosing) of the moment.
QCursor toolCursor(const DrawViewModel &model);
// The cursor for the pointer at `location` over the overlay `view`.
QCursor cursorAt(const DrawViewModel &model, QWidget *view, QPointF location);

} // namespace overlayCursors
} // namespace qn
