#pragma once
#include <QImage>

class QScreen;

namespace qn {

// A frozen picture of one whole screen, in device pixels, with the screen's
// device pixel ratio set (so its size in points is the screen's size).
// A null image when the screen cannot be read.
QImage grabScreen(QScreen *screen);

// Gives back the shared memory of the pictures no longer in use. Reading a screen
// into fresh memory costs a few milliseconds more than into kept memory, while
// keeping it costs a whole screen's worth of memory for as long as the program runs.
// GUI thread only.
void releaseScreenGrabMemory();

} // namespace qn
