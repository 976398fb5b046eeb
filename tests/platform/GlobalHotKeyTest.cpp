#include "platform/GlobalHotKey.h"

#include <gtest/gtest.h>

using namespace qn;
using namespace qn::hotkey;

TEST(GlobalHotKey, KeysymsOfShortcutKeys) {
    struct Case {
        Qt::Key key;
        std::optional<quint32> keysym;
    };
    const Case cases[] = {
        {Qt::Key_S, 0x73},
        {Qt::Key_A, 0x61},
        {Qt::Key_Z, 0x7a},
        {Qt::Key_5, 0x35},
        {Qt::Key_Comma, 0x2c},
        {Qt::Key_Slash, 0x2f},
        {Qt::Key_F1, 0xffbe},
        {Qt::Key_F12, 0xffc9},
        {Qt::Key_Print, 0xff61},
        {Qt::Key_Space, 0x20},
        {Qt::Key_Escape, 0xff1b},
        {Qt::Key_PageDown, 0xff56},
        {Qt::Key_Shift, std::nullopt},
        {Qt::Key_unknown, std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(keysymForKey(c.key), c.keysym) << c.key;
}

TEST(GlobalHotKey, ModifierBits) {
    EXPECT_EQ(modifierMask(Qt::AltModifier | Qt::ShiftModifier), kMod1 | kShift);
    EXPECT_EQ(modifierMask(Qt::ControlModifier | Qt::MetaModifier), kControl | kMod4);
    EXPECT_EQ(modifierMask(Qt::AltModifier, kMod3), kMod3);
    EXPECT_EQ(modifierMask(Qt::KeypadModifier), 0);
}

TEST(GlobalHotKey, EveryLockCombinationIsGrabbed) {
    EXPECT_EQ(lockVariants(0, 0), QList<quint16>({0, kLock}));
    EXPECT_EQ(lockVariants(kMod2, 0), QList<quint16>({0, kLock, kMod2, kLock | kMod2}));
    const QList<quint16> all = lockVariants(kMod2, kMod5);
    EXPECT_EQ(all.size(), 8);
    EXPECT_TRUE(all.contains(kLock | kMod2 | kMod5));
    // A lock on the same bit as another is not counted twice.
    EXPECT_EQ(lockVariants(kMod2, kMod2).size(), 4);
}

// Without an X display (the unit tests paint offscreen) nothing is grabbed and
// nothing fails.
TEST(GlobalHotKey, NoX11DisplayIsReportedNotFatal) {
    GlobalHotKey key;
    EXPECT_EQ(key.setShortcut(QKeyCombination(Qt::AltModifier | Qt::ShiftModifier, Qt::Key_S)),
              GlobalHotKey::Status::Unsupported);
    EXPECT_FALSE(key.registered());
    EXPECT_EQ(key.setShortcut(QKeyCombination()), GlobalHotKey::Status::None);
}
