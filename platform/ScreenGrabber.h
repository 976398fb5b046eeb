#pragma once
#include <QFuture>
#include <QImage>

class QScreen;

namespace qn {

// A frozen picture of one whole screen, in device pixels, with the screen's
// device pixel ratio set (so its size in points is the screen's size).
// A null image when the screen cannot be read.
QImage grabScreen(QScreen *screen);

// The same picture, except that its pixels' alpha bytes may still be the server's
// padding (often 0): the picture shows right on a 24-bit screen, but is not yet a
// valid opaque picture for anything else. Making it opaque costs milliseconds at 4K,
// which an overlay's first paint need not wait for; `opaqueLater` says whether
// makeGrabOpaque() still has to run on it.
QImage grabScreenOpaqueLater(QScreen *screen, bool *opaqueLater);

// Sets every alpha byte of a picture from grabScreenOpaqueLater(), in place (the
// picture's copies see it too). Nothing else may read or write the pixels meanwhile.
void makeGrabOpaque(const QImage &grab);
// The same on a pool thread; the future keeps the picture's memory alive.
QFuture<void> makeGrabOpaqueInBackground(const QImage &grab);

// Gives back the shared memory of the pictures no longer in use. Reading a screen
// into fresh memory costs a few milliseconds more than into kept memory, while
// keeping it costs a whole screen's worth of memory for as long as the program runs.
// GUI thread only.
void releaseScreenGrabMemory();

} // namespace qn
