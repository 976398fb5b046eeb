#pragma once
#include <QPointer>
#include <QWidget>

#include <QScreen>

namespace qn {

class DrawView;

// The frameless, stay-on-top overlay window of one screen while a capture is open.
// It covers the whole screen, shows that screen's DrawView and carries the
// capture's keys: Esc, Space, Delete and the single-letter tool keys (matched by
// X key code, so they sit where they do on a US layout).
class CropWindow : public QWidget {
    Q_OBJECT
public:
    explicit CropWindow(QScreen *screen);

    QScreen *overlayScreen() const { return m_screen; }
    DrawView *view() const { return m_view; }
    // Makes this the window that receives the keys.
    void takeFocus();

    static QString windowTitleText() { return QStringLiteral("Quillnest capture"); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QPointer<QScreen> m_screen;
    DrawView *m_view;
};

} // namespace qn
