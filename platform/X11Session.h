#pragma once
#include <QString>

namespace qn {

// Whether an X server can be reached (a Wayland session counts when it runs XWayland).
// Asked before the application object exists, which would otherwise abort.
class X11Session {
public:
    X11Session() = delete;

    // Empty when the display named by DISPLAY answers; otherwise why not.
    static QString unavailableReason();
};

} // namespace qn
