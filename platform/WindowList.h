#pragma once
#include <QList>
#include <QRect>
#include <QString>

namespace qn {

// One application window as the X server and the window manager list it.
struct WindowListEntry {
    unsigned long id = 0;
    QString owner; // WM_CLASS class name
    QString title; // _NET_WM_NAME, else WM_NAME
    QRect frame;   // with the window manager's decorations, root coordinates in device pixels
};

// The ordinary windows on the X display, back to front: the window manager's
// stacking list (normal and dialog windows that are not hidden); without a window
// manager, the viewable children of the root. Windows of this process are left
// out. Empty when the program does not run on X11.
QList<WindowListEntry> listApplicationWindows();

} // namespace qn
