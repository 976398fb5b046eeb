#include "annotation/DrawViewModel.h"
#include "support/TempPreferences.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace qn;

namespace {
void nextTurn() { QCoreApplication::processEvents(); }
} // namespace

TEST(UndoManager, OneStepPerUserActionAndRedoFromTheInverse) {
    UndoManager undo;
    QList<int> items;
    // An operation that registers its own inverse, as the editor's operations do.
    std::function<void(int)> add, remove;
    add = [&](int v) {
        items.append(v);
        undo.registerUndo([&, v] { remove(v); });
    };
    remove = [&](int v) {
        items.removeOne(v);
        undo.registerUndo([&, v] { add(v); });
    };

    add(1);
    add(2); // same user action: one step
    nextTurn();
    add(3);
    nextTurn();
    EXPECT_EQ(items, (QList<int>{1, 2, 3}));

    undo.undo();
    EXPECT_EQ(items, (QList<int>{1, 2}));
    undo.undo();
    EXPECT_TRUE(items.isEmpty());
    EXPECT_FALSE(undo.canUndo());
    EXPECT_TRUE(undo.canRedo());

    undo.redo();
    EXPECT_EQ(items, (QList<int>{1, 2}));
    EXPECT_TRUE(undo.canUndo());
    nextTurn();

    add(9); // a new action drops what could be redone
    EXPECT_FALSE(undo.canRedo());
    nextTurn();
    undo.undo();
    undo.undo();
    EXPECT_TRUE(items.isEmpty());

    undo.removeAllActions();
    EXPECT_FALSE(undo.canUndo());
    EXPECT_FALSE(undo.canRedo());
}

class EditorState : public ::testing::Test {
protected:
    test::TempPreferences prefs;
    DrawViewModel model{prefs.store()};
};

TEST_F(EditorState, NotifiesOnEveryAssignment) {
    QSignalSpy spy(&model, &DrawViewModel::croppedAreaChanged);
    model.setCroppedArea({1, 2, 3, 4});
    model.setCroppedArea({1, 2, 3, 4});
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(EditorState, WhiteboardToggleUndoAndRedo) {
    EXPECT_FALSE(model.whiteboardOn());
    model.toggleWhiteboard();
    EXPECT_EQ(model.whiteboard(), QColor(Qt::white));
    EXPECT_FALSE(model.canUndo()); // refreshed on the next turn
    nextTurn();
    EXPECT_TRUE(model.canUndo());
    model.undoManager()->undo();
    EXPECT_FALSE(model.whiteboardOn());
    EXPECT_TRUE(model.undoManager()->canRedo());
    model.undoManager()->redo();
    EXPECT_TRUE(model.whiteboardOn());
    model.toggleWhiteboard(QColor(Qt::white));
    EXPECT_FALSE(model.whiteboardOn());
}

TEST_F(EditorState, ResetEmptiesTheCaptureButKeepsChoices) {
    model.setTool(Tool::Rectangle);
    model.setScreenshotName(QStringLiteral("Screenshot 2024-01-02 03.04.05"));
    model.setCroppedArea({10, 10, 100, 100});
    model.setTempCroppedArea({1, 1, 1, 1});
    model.setChooceWindowMode(true);
    model.setSpaceKeyPoint(QPointF(3, 3));
    model.toggleWhiteboard();
    nextTurn();
    model.reset();
    EXPECT_EQ(model.tool(), Tool::Rectangle);
    EXPECT_EQ(model.screenshotName(), QStringLiteral("Screenshot 2024-01-02 03.04.05"));
    EXPECT_FALSE(model.hasCroppedArea());
    EXPECT_TRUE(DrawViewModel::isZeroRect(model.tempCroppedArea()));
    EXPECT_FALSE(model.chooceWindowMode());
    EXPECT_FALSE(model.spaceKeyPoint());
    EXPECT_FALSE(model.whiteboardOn());
    EXPECT_FALSE(model.canUndo());
    EXPECT_FALSE(model.canRedo());
    EXPECT_FALSE(model.undoManager()->canUndo());
}

TEST_F(EditorState, ToolPersistsAndIsAnnouncedEachTime) {
    QSignalSpy changed(&model, &DrawViewModel::toolChanged);
    model.setTool(Tool::Pen);
    model.setTool(Tool::Pen);
    EXPECT_EQ(changed.count(), 2);
    DrawViewModel again(*prefs.reopen());
    EXPECT_EQ(again.tool(), Tool::Pen);
}
