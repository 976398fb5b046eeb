#pragma once
#include <QPointer>
#include <QWidget>

#include <QScreen>

namespace qn {

class DrawCore;
class DrawView;

// The frameless, stay-on-top overlay window of one screen while a capture is open.
// It covers the whole screen, shows that screen's DrawView and carries the
// capture's keys: Esc, Space, Delete and the single-letter tool keys (matched by
// X key code, so they sit where they do on a US layout).
class CropWindow : public QWidget {
    Q_OBJECT
public:
    CropWindow(DrawCore &core, QScreen *screen);

    QScreen *overlayScreen() const { return m_screen; }
    DrawView *view() const { return m_view; }
    // Makes this the window that receives the keys.
    void takeFocus();
    // Makes ahead of the first capture what it would otherwise wait for: the native
    // window, the fonts, the cursor and the paint paths (warmed on a small picture).
    void prepare();
    // Gives back the window's frame buffer (a whole screen of pixels) while it waits
    // hidden for the next capture; the next show makes a new one.
    void releaseFrame();
    // While a recording shows nothing of the window (its crop area fills the screen,
    // so the window's shape leaves nothing of it), the window gives back its frame
    // buffer and does not repaint; false brings both back with a full repaint.
    void setDormant(bool dormant);

    static QString windowTitleText() { return QStringLiteral("Quillnest capture"); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    class ExposeFilter;
    class ShowRepaintFilter;
    void keepInactiveColoursActive();
    void warmUp();

    DrawCore &m_core;
    QPointer<QScreen> m_screen;
    DrawView *m_view;
    ExposeFilter *m_exposeFilter = nullptr;
    bool m_serverExposed = false; // the X server asked for pixels since the last expose
    bool m_shown = false;         // the window has shown its picture since it was mapped
};

} // namespace qn
