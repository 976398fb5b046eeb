#include "platform/X11ConnectionLoss.h"

#include <X11/Xlib.h>
#include <cstdlib>

namespace qn {

namespace {
std::function<void()> &lastWord() {
    static std::function<void()> f;
    return f;
}
XIOErrorHandler previous = nullptr;

// Xlib's handler for a broken connection of any display of the process, the screen
// stream's included: whatever it returns, the process ends after it.
int onIoError(Display *display) {
    if (lastWord())
        lastWord()();
    if (previous)
        return previous(display);
    std::exit(1);
}
} // namespace

void onX11ConnectionLoss(std::function<void()> beforeExit) {
    lastWord() = std::move(beforeExit);
    // Qt's xcb connection notices a loss itself and calls exit(): the same words
    // then run from the exit handlers.
    static const bool registered = [] {
        std::atexit([] {
            if (lastWord())
                lastWord()();
        });
        return true;
    }();
    (void)registered;
    XIOErrorHandler mine = onIoError;
    XIOErrorHandler was = XSetIOErrorHandler(mine);
    if (was != mine)
        previous = was;
}

} // namespace qn
