#pragma once
#include <QAbstractNativeEventFilter>
#include <QList>
#include <QPointF>
#include <QRect>
#include <functional>

namespace qn {

// An invisible window that takes the pointer over a rectangle of the screen while
// letting everything beneath show through (an X11 input-only window). Drawing over
// a live recording needs the mouse there without hiding what is recorded. The
// handlers get global positions. Without X11 it does nothing.
class InputOnlyWindow : public QAbstractNativeEventFilter {
public:
    // Hover: the pointer moves over the window without a button held.
    enum class Phase { Press, Move, Release, Hover };
    using Handler = std::function<void(Phase, QPointF global)>;

    explicit InputOnlyWindow(Handler handler);
    ~InputOnlyWindow() override;
    InputOnlyWindow(const InputOnlyWindow &) = delete;
    InputOnlyWindow &operator=(const InputOnlyWindow &) = delete;

    // Shows the window over `global` (above every other window) or hides it.
    void show(const QRect &global);
    void hide();
    bool isShown() const { return m_shown; }
    // Puts it above every window again (other windows raised in the meantime).
    void raise();
    // Leaves these parts of the screen (global) to the windows beneath: the program's
    // own panels standing over the area keep their clicks.
    void setExcluded(const QList<QRect> &global);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    Handler m_handler;
    quint32 m_window = 0;
    QRect m_rect;
    QList<QRect> m_excluded;
    bool m_shown = false;
    bool m_pressed = false;
};

} // namespace qn
