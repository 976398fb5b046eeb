#include "app/MainMenu.h"

#include "platform/ShortcutRegistry.h"
#include "tests/app/SandboxHome.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

TEST(MainMenu, EditCommandsInOrderWithTheirShortcuts) {
    MainMenu::shared().build();
    QStringList titles;
    for (const QAction *a : MainMenu::shared().editMenu()->actions())
        titles << (a->isSeparator()
                       ? QStringLiteral("-")
                       : a->text() + QLatin1Char('=') + a->shortcut().toString(QKeySequence::PortableText));
    EXPECT_EQ(titles, QStringList({"Undo=Ctrl+Z", "Redo=Ctrl+Shift+Z", "-", "Select All=Ctrl+A", "Cut=Ctrl+X",
                                   "Paste=Ctrl+V"}));
    EXPECT_EQ(MainMenu::shared().quitAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
}

TEST(MainMenu, ShownWindowsTakeTheCommandsOnAndTheyReachTheFocusedField) {
    MainMenu::shared().build();
    QLineEdit field;
    field.setText(QStringLiteral("hello"));
    field.show();
    ASSERT_TRUE(field.actions().contains(MainMenu::shared().actions().first()));
    field.setFocus();
    QApplication::setActiveWindow(&field);
    for (QAction *a : MainMenu::shared().editMenu()->actions())
        if (a->text() == QStringLiteral("Select All"))
            a->trigger();
    EXPECT_EQ(field.selectedText(), QStringLiteral("hello"));
    // Menus never list the commands as their own items.
    QMenu popup;
    popup.addAction(QStringLiteral("only"));
    popup.show();
    EXPECT_EQ(popup.actions().size(), 1);
}

TEST(MainMenu, ChangedShortcutIsFollowedWithoutRebuilding) {
    MainMenu::shared().build();
    QAction *undo = MainMenu::shared().editMenu()->actions().first();
    ShortcutRegistry::shared().setShortcut(ShortcutRegistry::Name::undo, QKeySequence(QStringLiteral("Ctrl+U")));
    EXPECT_EQ(undo->shortcut(), QKeySequence(QStringLiteral("Ctrl+U")));
    ShortcutRegistry::shared().reset(ShortcutRegistry::Name::undo);
    EXPECT_EQ(undo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
}
