#pragma once

class QWidget;

namespace qn {

// Lets the pointer through a top-level window to whatever lies beneath, while the
// window keeps the keyboard (an empty X11 input shape; the window is still shown
// and still focused). `through` false gives the window its input region back.
// Without X11 it does nothing.
void setInputPassThrough(QWidget *window, bool through);

} // namespace qn
