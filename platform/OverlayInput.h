#pragma once
#include <QPoint>
#include <optional>

class QWindow;

namespace qn::overlayInput {

// Holds the pointer and the keyboard for the program while a capture overlay is open.
// Window managers bind presses of their own on the windows they manage (openbox moves a
// window on Alt+drag); while the program holds the devices, such a press reaches the
// overlay instead. Events over the program's own windows (dialogs, the chrome) arrive as
// they would without the hold. Does nothing off X11 or when another program holds the
// devices. The pointer is best held before the overlay takes its first press: a hold
// taken in the middle of a drag can cost the toolkit the drag's end.
void holdPointer();
// Whether the last holdPointer() got the pointer (another program may have held it).
bool holdingPointer();
// Keys typed before the window manager has handed the focus over to one of the
// program's windows come to `window`.
void holdKeyboard(QWindow *window);
// Gives the devices back (the capture closed, or the live screen is being recorded).
void release();
bool holding();

// Where the pointer stood (global, in device-independent pixels) when the key event
// with this X key code and server time happened. The toolkit's key events carry no
// position, and by the time a key is handled on a busy machine the pointer events
// around it may have been merged or not yet handled.
std::optional<QPoint> pointerAtKey(quint32 keyCode, quint64 timestamp);

} // namespace qn::overlayInput
