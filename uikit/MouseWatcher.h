#pragma once
// Sees every mouse event over a widget and the widgets inside it (also those added
// later) before they are handled, once per user action even when an event is passed
// up from a child to its parent. The base of the hit-test and click watchers.
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QWidget>

class QMouseEvent;

namespace qn {

class MouseWatcher : public QObject {
    Q_OBJECT
public:
    // Watches `host`; owned by it.
    explicit MouseWatcher(QWidget *host);
    QWidget *host() const { return m_host; }

protected:
    // One mouse event: its receiver and its position in the host's coordinates.
    virtual void mouseEvent(QMouseEvent *event, QWidget *receiver, const QPointF &hostPosition) = 0;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watch(QWidget *widget);

    QPointer<QWidget> m_host;
    int m_lastType = 0;
    quint64 m_lastTimestamp = 0;
    QPointF m_lastGlobal;
};

} // namespace qn
