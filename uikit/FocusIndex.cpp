#include "uikit/FocusIndex.h"

#include <QEvent>
#include <QVariant>
#include <QWidget>

namespace qn {

namespace {
constexpr const char *kIndexProperty = "qnFocusIndex";
}

FocusIndex::FocusIndex(int initial, QObject *parent) : QObject(parent), m_index(initial) {}

void FocusIndex::setSelectedIndex(int index) {
    if (m_fixed)
        return;
    m_index = index;
    emit selectedIndexChanged(index);
}

FocusIndex *FocusIndex::defaultIndex() {
    static FocusIndex *index = [] {
        auto *i = new FocusIndex(0);
        i->m_fixed = true;
        return i;
    }();
    return index;
}

void FocusIndex::install(QWidget *ancestor, FocusIndex *index) {
    if (!ancestor)
        return;
    ancestor->setProperty(kIndexProperty, QVariant::fromValue(static_cast<QObject *>(index)));
    if (index)
        QObject::connect(index, &QObject::destroyed, ancestor,
                         [ancestor] { ancestor->setProperty(kIndexProperty, QVariant()); });
}

FocusIndex *FocusIndex::of(const QWidget *widget) {
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const QVariant v = w->property(kIndexProperty);
        if (v.isValid())
            if (auto *index = qobject_cast<FocusIndex *>(v.value<QObject *>()))
                return index;
    }
    return defaultIndex();
}

FocusIndexFollower::FocusIndexFollower(QWidget *input) : QObject(input), m_input(input) {
    input->installEventFilter(this);
    attach();
}

void FocusIndexFollower::setOrder(int order) {
    m_order = order;
    sync();
}

void FocusIndexFollower::sync() {
    FocusIndex *index = FocusIndex::of(m_input);
    if (index != m_index)
        attach();
    if (m_order == index->selectedIndex() && m_input->isVisible() && m_input->isEnabled() && !m_input->hasFocus())
        m_input->setFocus(Qt::OtherFocusReason);
}

bool FocusIndexFollower::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_input && (event->type() == QEvent::Show || event->type() == QEvent::ParentChange)) {
        attach();
        if (event->type() == QEvent::Show)
            sync();
    }
    return false;
}

void FocusIndexFollower::attach() {
    FocusIndex *index = FocusIndex::of(m_input);
    if (index == m_index)
        return;
    QObject::disconnect(m_connection);
    m_index = index;
    m_connection = connect(index, &FocusIndex::selectedIndexChanged, this, &FocusIndexFollower::sync);
}

} // namespace qn
