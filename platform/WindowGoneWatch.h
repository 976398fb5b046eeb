#pragma once
#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>

class QWidget;

namespace qn {

// Tells when a window's X window is destroyed by someone else (`xdotool windowclose`,
// a misbehaving window manager). Qt only sees such a window leave the screen and
// goes on thinking it is shown, so it could neither be shown again nor closed.
class WindowGoneWatch : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit WindowGoneWatch(QWidget *window, QObject *parent = nullptr);
    ~WindowGoneWatch() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    // Brings Qt's view in line after gone(): the widget is closed (as through its
    // close button) and its dead X window dropped, so showing it again makes a new one.
    static void forget(QWidget *window);

Q_SIGNALS:
    void gone();

private:
    QPointer<QWidget> m_window;
};

} // namespace qn
