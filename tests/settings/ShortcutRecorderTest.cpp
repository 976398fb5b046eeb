#include "settings/ShortcutRecorder.h"

#include "platform/ShortcutRegistry.h"
#include "support/TempPreferences.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;
using Name = ShortcutRegistry::Name;

TEST(ShortcutRecorder, WhichChordsMayBecomeAGlobalShortcut) {
    struct Case {
        QKeyCombination chord;
        bool acceptable;
    } cases[] = {
        {Qt::CTRL | Qt::ALT | Qt::Key_P, true}, {Qt::ALT | Qt::SHIFT | Qt::Key_S, true},
        {Qt::META | Qt::Key_F9, true},          {QKeyCombination(Qt::Key_F5), true},
        {QKeyCombination(Qt::Key_Q), false},    {Qt::SHIFT | Qt::Key_Q, false},
        {Qt::CTRL | Qt::Key_Control, false},    {QKeyCombination(Qt::Key_unknown), false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ShortcutRecorder::isAcceptableChord(c.chord), c.acceptable)
            << qPrintable(QKeySequence(c.chord).toString());
}

TEST(ShortcutRecorder, RecordsCancelsAndClears) {
    test::TempPreferences prefs;
    ShortcutRegistry registry(prefs.store());
    std::optional<QKeySequence> reported = QKeySequence(Qt::Key_F1);
    int calls = 0;
    ShortcutRecorder field(
        Name::openScreenshot,
        [&](const std::optional<QKeySequence> &s) {
            reported = s;
            ++calls;
        },
        &registry);
    field.show();
    EXPECT_EQ(field.displayText(), QStringLiteral("Alt+Shift+S"));

    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(20, 12));
    EXPECT_TRUE(field.isRecording());
    EXPECT_TRUE(registry.hotKeysSuspended());
    // Esc gives up; the shortcut stays.
    QTest::keyClick(&field, Qt::Key_Escape);
    EXPECT_FALSE(field.isRecording());
    EXPECT_FALSE(registry.hotKeysSuspended());
    EXPECT_EQ(registry.shortcut(Name::openScreenshot), QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_S));
    EXPECT_EQ(calls, 0);

    field.startRecording();
    QTest::keyClick(&field, Qt::Key_Q); // no modifier: still recording
    EXPECT_TRUE(field.isRecording());
    QTest::keyClick(&field, Qt::Key_P, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(field.isRecording());
    EXPECT_EQ(registry.shortcut(Name::openScreenshot), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P));
    EXPECT_EQ(prefs.store().text(ShortcutRegistry::storageKey(Name::openScreenshot)), QStringLiteral("Ctrl+Alt+P"));
    EXPECT_EQ(reported, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P));

    // Backspace on the field clears it; the change handler hears "none".
    QTest::keyClick(&field, Qt::Key_Backspace);
    EXPECT_TRUE(registry.shortcut(Name::openScreenshot).isEmpty());
    EXPECT_EQ(reported, std::nullopt);
    EXPECT_EQ(field.displayText(), QStringLiteral("Record Shortcut"));
    EXPECT_EQ(calls, 2);
}

TEST(ShortcutRegistry, ATriedChordTheServerRefusesPutsTheOldOneBack) {
    // Without an X11 connection no hot key can be grabbed: every chord is refused.
    test::TempPreferences prefs;
    ShortcutRegistry registry(prefs.store());
    QObject context;
    registry.onKeyDown(Name::openScreenshot, &context, [] {});
    QSignalSpy taken(&registry, &ShortcutRegistry::hotKeyTaken);

    EXPECT_EQ(registry.trySetShortcut(Name::openScreenshot, QKeySequence(Qt::CTRL | Qt::Key_F7)),
              GlobalHotKey::Status::Unsupported);
    EXPECT_FALSE(prefs.store().contains(ShortcutRegistry::storageKey(Name::openScreenshot)));
    registry.setShortcut(Name::openScreenshot, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P));
    registry.trySetShortcut(Name::openScreenshot, QKeySequence(Qt::CTRL | Qt::Key_F7));
    EXPECT_EQ(registry.shortcut(Name::openScreenshot), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P));
    EXPECT_EQ(taken.count(), 0);

    // A name without a hot key just stores the choice.
    EXPECT_EQ(registry.trySetShortcut(Name::paste, QKeySequence(Qt::CTRL | Qt::Key_B)), GlobalHotKey::Status::None);
    EXPECT_EQ(registry.shortcut(Name::paste), QKeySequence(Qt::CTRL | Qt::Key_B));
}
