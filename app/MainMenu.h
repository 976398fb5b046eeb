#pragma once
#include <QList>
#include <QObject>

class QAction;
class QMenu;

namespace qn {

// The application's editing commands: Quit, and Edit with Undo, Redo, Select All,
// Cut and Paste. Linux has no global menu bar, so the commands live as actions
// that every window of the program takes on when it is shown; their shortcuts come
// from the shortcut registry and follow its changes.
class MainMenu : public QObject {
    Q_OBJECT
public:
    static MainMenu &shared();

    // Builds the commands anew, replacing those built before.
    void build();

    // The "Edit" menu as built: Undo, Redo, separator, Select All, Cut, Paste.
    QMenu *editMenu() const { return m_edit; }
    QAction *quitAction() const { return m_quit; }
    // Every command, as windows take them on.
    QList<QAction *> actions() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MainMenu();
    void attach(QWidget *window);

    QMenu *m_edit = nullptr;
    QAction *m_quit = nullptr;
};

} // namespace qn
