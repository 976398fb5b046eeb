#pragma once

class QRegion;
class QWidget;

namespace qn {

// Lets the pointer through a top-level window to whatever lies beneath, while the
// window keeps the keyboard (an empty X11 input shape; the window is still shown
// and still focused). `through` false gives the window its input region back.
// Without X11 it does nothing.
void setInputPassThrough(QWidget *window, bool through);

// Shapes a top-level window to `region` (window coordinates): only that part shows
// and takes the mouse. Unlike QWidget::setMask it leaves Qt's painting unclipped,
// so the shape can then grow by parts (below). False without X11.
bool setWindowShape(QWidget *window, const QRegion &region);

// Adds `region` (window coordinates) to a shaped top-level window's visible shape,
// sending only the new rectangles: a shape that grows by a little at a time (a
// stroke being drawn) would otherwise be sent whole on every step. False without
// X11 (the caller then sets the whole shape).
bool addToWindowShape(QWidget *window, const QRegion &region);

} // namespace qn
