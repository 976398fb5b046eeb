#pragma once
#include <functional>

namespace qn {

// The X server going away (a logout, a crash of the server) ends the process from
// inside Xlib or Qt with exit(). `beforeExit` runs first, on whichever thread
// noticed the loss, and may run on several at once; it must not need the event
// loop or the X server. Install once, after the QApplication exists (it chains to
// the handler Qt installed).
void onX11ConnectionLoss(std::function<void()> beforeExit);

} // namespace qn
