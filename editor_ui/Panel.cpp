#include "editor_ui/Panel.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTimer>

namespace qn {

Panel::Panel(const QRect &contentRect)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::NoDropShadowWindowHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(contentRect);
}

void Panel::close(std::function<void()> completion) {
    QWidget::close();
    if (completion)
        QTimer::singleShot(kCloseDelayMs, QCoreApplication::instance(), std::move(completion));
}

void Panel::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        m_dragOffset = event->globalPosition().toPoint() - pos();
}

void Panel::mouseMoveEvent(QMouseEvent *event) {
    if (m_dragOffset && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *m_dragOffset);
}

void Panel::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        m_dragOffset.reset();
}

PanelSlot::PanelSlot(QObject *parent) : QObject(parent) {}

PanelSlot::~PanelSlot() { delete m_panel.data(); }

void PanelSlot::set(Panel *panel) {
    if (m_panel && m_panel != panel)
        close();
    m_panel = panel;
    ++m_generation;
}

void PanelSlot::close() {
    const QPointer<Panel> closing = m_panel;
    if (!closing)
        return;
    const QPointer<PanelSlot> slot(this);
    const quint64 generation = m_generation;
    closing->close([slot, closing, generation] {
        if (slot && slot->m_generation == generation && slot->m_panel == closing)
            slot->m_panel.clear();
        if (closing && !(slot && slot->m_panel == closing))
            closing->deleteLater();
    });
}

} // namespace qn
