#pragma once
#include <QString>
#include <optional>

namespace qn {

// Small questions to the X11 desktop. Every answer is "none"/false without X11.
namespace X11Desktop {
// The class name (WM_CLASS) of the window the window manager reports as active,
// e.g. "Firefox"; none when no window is active or it has no class.
std::optional<QString> activeWindowClass();
// A compositing manager runs, so translucent windows show what lies beneath.
bool compositingActive();
} // namespace X11Desktop

} // namespace qn
