#include "platform/X11ConnectionLoss.h"

#include "platform/Diagnostics.h"

#include <X11/Xlib.h>
#include <cstdio>
#include <cstdlib>

namespace qn {

namespace {
// Never destroyed: the words may be asked for while the exit handlers tear down
// the statics.
std::function<void()> &lastWord() {
    static auto *f = new std::function<void()>;
    return *f;
}

// Xlib's handler for a broken connection of any display of the process, the screen
// stream's included. Two threads notice at once (the GUI's connection and the
// stream's): exit() from both would run the exit handlers twice over, so once
// the words are said the process ends without them.
int onIoError(Display *) {
    diagnostics::reportError(diagnostics::x11ConnectionBroke());
    if (lastWord())
        lastWord()();
    std::fflush(nullptr);
    std::_Exit(1);
}
void atExit() {
    if (lastWord())
        lastWord()();
}
} // namespace

// Qt's xcb connection notices a loss itself and calls exit(): the same words then
// run from the exit handlers.
void renewX11ExitWords() { std::atexit(atExit); }

void onX11ConnectionLoss(std::function<void()> beforeExit) {
    lastWord() = std::move(beforeExit);
    renewX11ExitWords();
    XSetIOErrorHandler(onIoError);
}

} // namespace qn
