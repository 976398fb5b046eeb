#include "annotation/UndoManager.h"

#include <QTimer>

namespace qn {

UndoManager::UndoManager(QObject *parent) : QObject(parent) {}

void UndoManager::registerUndo(std::function<void()> action) {
    if (m_state != State::Idle) {
        // While a step is replayed, its inverses are collected for the other stack.
        m_collect.append(std::move(action));
        return;
    }
    if (!m_groupOpen) {
        m_undo.append(Group{});
        m_groupOpen = true;
        // The step ends with the user action that is being handled now.
        QTimer::singleShot(0, this, &UndoManager::endGrouping);
    }
    m_undo.last().append(std::move(action));
    m_redo.clear();
    Q_EMIT changed();
}

void UndoManager::endGrouping() { m_groupOpen = false; }
bool UndoManager::canUndo() const { return !m_undo.isEmpty(); }
bool UndoManager::canRedo() const { return !m_redo.isEmpty(); }

void UndoManager::replay(QList<Group> &from, QList<Group> &to, State state) {
    endGrouping();
    if (from.isEmpty() || m_state != State::Idle)
        return;
    const Group group = from.takeLast();
    m_state = state;
    m_collect.clear();
    for (auto it = group.crbegin(); it != group.crend(); ++it)
        (*it)();
    m_state = State::Idle;
    if (!m_collect.isEmpty())
        to.append(m_collect);
    m_collect.clear();
    Q_EMIT changed();
}

void UndoManager::undo() { replay(m_undo, m_redo, State::Undoing); }
void UndoManager::redo() { replay(m_redo, m_undo, State::Redoing); }

void UndoManager::removeAllActions() {
    m_undo.clear();
    m_redo.clear();
    m_groupOpen = false;
    Q_EMIT changed();
}

} // namespace qn
