#pragma once
#include <QImage>

class QScreen;

namespace qn {

// A frozen picture of one whole screen, in device pixels, with the screen's
// device pixel ratio set (so its size in points is the screen's size).
// A null image when the screen cannot be read.
QImage grabScreen(QScreen *screen);

} // namespace qn
