#include "app/MainMenu.h"

#include "capture/DrawCore.h"
#include "platform/ShortcutRegistry.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>

namespace qn {

namespace {
// Select All, Cut and Paste go to the widget that has the keyboard focus, when it
// knows the command (text fields do).
void sendToFocusWidget(const char *command) {
    if (QWidget *focus = QApplication::focusWidget())
        QMetaObject::invokeMethod(focus, command);
}

struct EditRow {
    const char *title; // none: a separator
    const QString *shortcut = nullptr;
    void (*run)() = nullptr;
};

// The "Edit" menu, top to bottom.
const EditRow kEditMenu[] = {
    {"Undo", &ShortcutRegistry::Name::undo, [] { DrawCore::shared().undo(); }},
    {"Redo", &ShortcutRegistry::Name::redo, [] { DrawCore::shared().redo(); }},
    {nullptr},
    {"Select All", &ShortcutRegistry::Name::selectAll, [] { sendToFocusWidget("selectAll"); }},
    {"Cut", &ShortcutRegistry::Name::cut, [] { sendToFocusWidget("cut"); }},
    {"Paste", &ShortcutRegistry::Name::paste, [] { sendToFocusWidget("paste"); }},
};
} // namespace

MainMenu &MainMenu::shared() {
    static MainMenu menu;
    return menu;
}

MainMenu::MainMenu() { qApp->installEventFilter(this); }

void MainMenu::build() {
    if (m_edit) {
        for (QWidget *window : QApplication::topLevelWidgets())
            for (QAction *action : actions())
                window->removeAction(action);
        m_edit->deleteLater();
        m_quit->deleteLater();
    }
    m_edit = new QMenu(QStringLiteral("Edit"));
    m_quit = new QAction(QStringLiteral("Quit"), m_edit);
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(m_quit, &QAction::triggered, qApp, &QCoreApplication::quit);

    ShortcutRegistry &registry = ShortcutRegistry::shared();
    for (const EditRow &row : kEditMenu) {
        if (!row.title) {
            m_edit->addSeparator();
            continue;
        }
        QAction *action = m_edit->addAction(QString::fromUtf8(row.title));
        registry.bind(action, *row.shortcut);
        connect(action, &QAction::triggered, this, row.run);
    }

    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible())
            attach(window);
}

QList<QAction *> MainMenu::actions() const {
    QList<QAction *> all;
    if (!m_edit)
        return all;
    for (QAction *action : m_edit->actions())
        if (!action->isSeparator())
            all.append(action);
    all.append(m_quit);
    return all;
}

void MainMenu::attach(QWidget *window) {
    // A menu would list the commands as its own items; popups keep their keys.
    if (qobject_cast<QMenu *>(window) || window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip)
        return;
    window->addActions(actions());
}

bool MainMenu::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (widget->isWindow())
            attach(widget);
    }
    return false;
}

} // namespace qn
