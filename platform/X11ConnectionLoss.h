#pragma once
#include <functional>

namespace qn {

// The X server going away (a logout, a crash of the server) ends the process from
// inside Xlib or Qt with exit(). `beforeExit` runs first, on whichever thread
// noticed the loss, and may run on several at once; it must not need the event
// loop or the X server. Install once, after the QApplication exists (it chains to
// the handler Qt installed).
void onX11ConnectionLoss(std::function<void()> beforeExit);
// Exit handlers run last-registered first: the words are registered again, so that
// they run while what was set up since (a sound server's client, say) still works.
void renewX11ExitWords();

} // namespace qn
