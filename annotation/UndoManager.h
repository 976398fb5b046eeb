#pragma once
#include <QList>
#include <QObject>
#include <functional>

namespace qn {

// The editor's undo history. Actions registered while one user action is handled
// (one turn of the event loop) form one step; an action registered while undoing
// becomes the redo of that step, and one registered while redoing becomes its undo
// again, so every operation only has to register its own inverse.
class UndoManager : public QObject {
    Q_OBJECT
public:
    explicit UndoManager(QObject *parent = nullptr);

    void registerUndo(std::function<void()> action);
    bool canUndo() const;
    bool canRedo() const;
    bool isUndoing() const { return m_state == State::Undoing; }
    bool isRedoing() const { return m_state == State::Redoing; }
    void undo();
    void redo();
    void removeAllActions();
    // Closes the step that is being collected, so the next registration starts a new one.
    void endGrouping();

Q_SIGNALS:
    void changed();

private:
    using Group = QList<std::function<void()>>;
    enum class State { Idle, Undoing, Redoing };
    void replay(QList<Group> &from, QList<Group> &to, State state);

    QList<Group> m_undo;
    QList<Group> m_redo;
    bool m_groupOpen = false;
    State m_state = State::Idle;
    Group m_collect;
};

} // namespace qn
