#pragma once
#include <QAbstractNativeEventFilter>
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
    enum class Phase { Press, Move, Release };
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

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    Handler m_handler;
    quint32 m_window = 0;
    bool m_shown = false;
    bool m_pressed = false;
};

} // namespace qn
