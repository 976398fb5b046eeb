#include "uikit/Placeholder.h"

#include <QEvent>
#include <QStyle>
#include <QWidget>

namespace qn {

PlaceholderOverlay::PlaceholderOverlay(QWidget *target, QWidget *placeholder, Qt::Alignment alignment, bool shown)
    : QObject(target), m_target(target), m_placeholder(placeholder), m_alignment(alignment), m_shown(shown) {
    placeholder->setParent(target);
    placeholder->setAttribute(Qt::WA_TransparentForMouseEvents);
    target->installEventFilter(this);
    place();
    setShown(shown);
}

void PlaceholderOverlay::setShown(bool shown) {
    m_shown = shown;
    if (m_placeholder) {
        m_placeholder->setVisible(shown);
        m_placeholder->raise();
    }
}

bool PlaceholderOverlay::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_target && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        place();
    return false;
}

void PlaceholderOverlay::place() {
    if (!m_target || !m_placeholder)
        return;
    const QSize size = m_placeholder->sizeHint().boundedTo(m_target->size());
    m_placeholder->setGeometry(QStyle::alignedRect(Qt::LeftToRight, m_alignment, size, m_target->rect()));
}

PlaceholderOverlay *placeholder(QWidget *target, bool when, Qt::Alignment alignment, QWidget *placeholder) {
    return new PlaceholderOverlay(target, placeholder, alignment, when);
}

} // namespace qn
