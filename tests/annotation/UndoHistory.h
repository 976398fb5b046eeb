#pragma once
#include <QList>
#include <QObject>
#include <functional>

namespace qn::test {

// An undo history with the editor's semantics, behind the test editor state.
// Registrations made during one user action form one step: a group opens with the first registration and closes when control
// returns to the event loop (or at closeGroup). An action registered while undoing
// becomes the redo of that step; one registered while redoing becomes its undo again;
// any other registration clears the redo history.
class UndoHistory : public QObject {
    Q_OBJECT
public:
    using Action = std::function<void()>;

    explicit UndoHistory(QObject *parent = nullptr);

    void registerUndo(Action action);
    // Ends the open group now instead of at the next turn of the event loop.
    void closeGroup();

    bool canUndo() const;
    bool canRedo() const;
    bool isUndoing() const { return m_state == State::Undoing; }
    bool isRedoing() const { return m_state == State::Redoing; }

    // Run the actions of the last step, last registered first. Nothing happens when
    // there is nothing to undo (redo), or while an undo or redo is running.
    void undo();
    void redo();
    void removeAllActions();

Q_SIGNALS:
    // After every registration, undo, redo and reset.
    void changed();

private:
    enum class State { Idle, Undoing, Redoing };
    using Group = QList<Action>;

    void replay(QList<Group> &from, QList<Group> &to, State state);

    QList<Group> m_undo;
    QList<Group> m_redo;
    Group m_open;
    bool m_groupOpen = false;
    bool m_closeQueued = false;
    State m_state = State::Idle;
    Group m_collected;
    quint64 m_generation = 0;
};

} // namespace qn::test
