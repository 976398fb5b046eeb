#include "UndoHistory.h"

#include <QMetaObject>

namespace qn::test {

UndoHistory::UndoHistory(QObject *parent) : QObject(parent) {}

void UndoHistory::registerUndo(Action action) {
    if (!action)
        return;
    if (m_state != State::Idle) {
        // Part of the undo (redo) being replayed: it becomes the opposite step.
        m_collected.append(std::move(action));
        return;
    }
    m_redo.clear();
    m_open.append(std::move(action));
    m_groupOpen = true;
    if (!m_closeQueued) {
        m_closeQueued = true;
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == m_generation)
                    closeGroup();
            },
            Qt::QueuedConnection);
    }
    Q_EMIT changed();
}

void UndoHistory::closeGroup() {
    m_closeQueued = false;
    if (!m_groupOpen)
        return;
    m_groupOpen = false;
    if (!m_open.isEmpty())
        m_undo.append(std::move(m_open));
    m_open.clear();
}

bool UndoHistory::canUndo() const { return !m_undo.isEmpty() || (m_groupOpen && !m_open.isEmpty()); }

bool UndoHistory::canRedo() const { return !m_redo.isEmpty(); }

void UndoHistory::undo() {
    if (m_state != State::Idle)
        return;
    closeGroup();
    replay(m_undo, m_redo, State::Undoing);
}

void UndoHistory::redo() {
    if (m_state != State::Idle)
        return;
    closeGroup();
    replay(m_redo, m_undo, State::Redoing);
}

void UndoHistory::replay(QList<Group> &from, QList<Group> &to, State state) {
    if (from.isEmpty())
        return;
    const Group group = from.takeLast();
    m_state = state;
    m_collected.clear();
    for (auto it = group.crbegin(); it != group.crend(); ++it)
        (*it)();
    m_state = State::Idle;
    if (!m_collected.isEmpty())
        to.append(std::move(m_collected));
    m_collected.clear();
    Q_EMIT changed();
}

void UndoHistory::removeAllActions() {
    ++m_generation;
    m_undo.clear();
    m_redo.clear();
    m_open.clear();
    m_groupOpen = false;
    m_closeQueued = false;
    m_collected.clear();
    Q_EMIT changed();
}

} // namespace qn::test
