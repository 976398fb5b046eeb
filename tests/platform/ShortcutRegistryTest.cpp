#include "platform/ShortcutRegistry.h"

#include "support/TempPreferences.h"

#include <QAction>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace qn;
using Name = ShortcutRegistry::Name;

TEST(ShortcutRegistry, DefaultsOfEveryName) {
    test::TempPreferences prefs;
    ShortcutRegistry r(prefs.store());
    EXPECT_EQ(r.shortcut(Name::openScreenshot), QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_S));
    EXPECT_EQ(r.shortcut(Name::undo), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(r.shortcut(Name::redo), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    EXPECT_EQ(r.shortcut(Name::selectAll), QKeySequence(Qt::CTRL | Qt::Key_A));
    EXPECT_EQ(r.shortcut(Name::cut), QKeySequence(Qt::CTRL | Qt::Key_X));
    EXPECT_EQ(r.shortcut(Name::paste), QKeySequence(Qt::CTRL | Qt::Key_V));
    EXPECT_TRUE(r.shortcut(QStringLiteral("unknown")).isEmpty());
}

TEST(ShortcutRegistry, ChoiceIsStoredAsPortableTextAndSurvivesARestart) {
    test::TempPreferences prefs;
    {
        ShortcutRegistry r(prefs.store());
        QSignalSpy changed(&r, &ShortcutRegistry::shortcutChanged);
        r.setShortcut(Name::openScreenshot, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P));
        EXPECT_EQ(changed.count(), 1);
        EXPECT_EQ(prefs.store().text(QStringLiteral("KeyboardShortcuts/openScreenshot")), QStringLiteral("Ctrl+Alt+P"));
        r.setShortcut(Name::paste, QKeySequence());
        EXPECT_EQ(prefs.store().text(QStringLiteral("KeyboardShortcuts/paste")), QString());
    }
    auto reopened = prefs.reopen();
    ShortcutRegistry r(*reopened);
    EXPECT_EQ(r.shortcut(Name::openScreenshot), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P));
    EXPECT_TRUE(r.shortcut(Name::paste).isEmpty()); // "no shortcut" is a choice too
    r.reset(Name::paste);
    EXPECT_EQ(r.shortcut(Name::paste), QKeySequence(Qt::CTRL | Qt::Key_V));
    EXPECT_FALSE(reopened->contains(QStringLiteral("KeyboardShortcuts/paste")));
}

TEST(ShortcutRegistry, DamagedValuesGiveTheDefault) {
    for (const char *stored : {"Ctrl+Bogus", "Ctrl+A, Ctrl+B", "+++", "Ctrl+"}) {
        test::TempPreferences prefs;
        prefs.store().setText(QStringLiteral("KeyboardShortcuts/openScreenshot"), QString::fromUtf8(stored));
        ShortcutRegistry r(prefs.store());
        EXPECT_EQ(r.shortcut(Name::openScreenshot), QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_S)) << stored;
    }
    test::TempPreferences prefs;
    prefs.store().setData(QStringLiteral("KeyboardShortcuts/undo"), QByteArray("Ctrl+U"));
    ShortcutRegistry r(prefs.store());
    EXPECT_EQ(r.shortcut(Name::undo), QKeySequence(Qt::CTRL | Qt::Key_Z));
}

TEST(ShortcutRegistry, BoundActionsFollowChanges) {
    test::TempPreferences prefs;
    ShortcutRegistry r(prefs.store());
    QAction take(QStringLiteral("Take Screenshot"));
    QAction cut(QStringLiteral("Cut"));
    r.bind(&take, Name::openScreenshot);
    r.bind(&cut, Name::cut);
    EXPECT_EQ(take.shortcut().toString(QKeySequence::NativeText), QStringLiteral("Alt+Shift+S"));
    r.setShortcut(Name::openScreenshot, QKeySequence(QStringLiteral("Meta+F9")));
    EXPECT_EQ(take.shortcut(), QKeySequence(QStringLiteral("Meta+F9")));
    EXPECT_EQ(cut.shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
    r.setShortcut(Name::openScreenshot, QKeySequence());
    EXPECT_TRUE(take.shortcut().isEmpty());
}
