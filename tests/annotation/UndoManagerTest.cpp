#include "FakeDrawnHost.h"
#include "annotation/DrawViewModel.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace qn;

namespace {

// A counter with a self-registering increment, the way the editor's operations
// register their opposite.
struct Counter {
    UndoManager &undo;
    int value = 0;
    void add(int n) {
        value += n;
        undo.registerUndo([this, n] { add(-n); });
    }
};

TEST(UndoManagerSteps, OneStepPerUserAction) {
    UndoManager undo;
    Counter c{undo};
    c.add(1);
    c.add(2);  // same event: one step
    test::FakeDrawnHost::settle();
    c.add(10);
    test::FakeDrawnHost::settle();
    EXPECT_TRUE(undo.canUndo());
    undo.undo();
    EXPECT_EQ(c.value, 3);
    undo.undo();
    EXPECT_EQ(c.value, 0);
    EXPECT_FALSE(undo.canUndo());
    undo.undo();  // nothing left: nothing happens
    EXPECT_EQ(c.value, 0);
}

TEST(UndoManagerSteps, RegistrationsWhileUndoingBecomeTheRedo) {
    UndoManager undo;
    Counter c{undo};
    c.add(1);
    c.add(2);
    test::FakeDrawnHost::settle();
    undo.undo();
    EXPECT_EQ(c.value, 0);
    EXPECT_TRUE(undo.canRedo());
    undo.redo();
    EXPECT_EQ(c.value, 3);
    EXPECT_FALSE(undo.canRedo());
    undo.undo();
    EXPECT_EQ(c.value, 0);
}

TEST(UndoManagerSteps, ANewActionClearsTheRedoHistory) {
    UndoManager undo;
    Counter c{undo};
    c.add(1);
    test::FakeDrawnHost::settle();
    undo.undo();
    c.add(5);
    EXPECT_FALSE(undo.canRedo());
}

TEST(UndoManagerSteps, UndoClosesTheOpenGroupFirst) {
    UndoManager undo;
    Counter c{undo};
    c.add(1);
    undo.undo();  // in the same turn: the open step is undone whole
    EXPECT_EQ(c.value, 0);
}

TEST(UndoManagerSteps, ResetForgetsEverything) {
    UndoManager undo;
    QSignalSpy changed(&undo, &UndoManager::changed);
    Counter c{undo};
    c.add(1);
    undo.removeAllActions();
    test::FakeDrawnHost::settle();
    EXPECT_FALSE(undo.canUndo());
    EXPECT_FALSE(undo.canRedo());
    EXPECT_GE(changed.count(), 2);
}

} // namespace
