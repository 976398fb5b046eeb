#include "FakeDrawnHost.h"
#include "DrawnBuilders.h"
#include "annotation/BoxTool.h"
#include "annotation/PointTool.h"
#include "annotation/TextTool.h"
#include "annotation/DrawnEditor.h"

#include <gtest/gtest.h>

using namespace qn;
using namespace qn::test;

namespace {

class DrawnEditorTest : public ::testing::Test {
protected:
    FakeDrawnHost host;
    DrawnEditor editor{host};

    // A user action: the operation, then the event loop turns (closing the undo step).
    template <typename F> void act(F f) {
        f();
        FakeDrawnHost::settle();
    }
    DrawnPtr addPoint(int number, QPointF at) {
        const DrawnPtr p = editor.makeTool(at, at, {}, Tool::Point, true, pointData("c", number));
        act([&] { editor.appendTool(p); });
        return p;
    }
    QList<int> numbers() const {
        QList<int> out;
        for (const DrawnPtr &t : host.tools)
            if (const auto *p = dynamic_cast<const PointTool *>(t.get()))
                out.append(p->number.value_or(0));
        return out;
    }
    // The committed object as the drawn-objects layer shows it.
    static DrawnPtr shown(const DrawnPtr &t, bool active = false) { return withDrawed(withActive(t, active), true); }
};

TEST_F(DrawnEditorTest, CommentPointsRenumberOnRemoveAndUndo) {
    addPoint(1, QPointF(10, 10));
    const DrawnPtr two = addPoint(2, QPointF(20, 20));
    addPoint(3, QPointF(30, 30));
    act([&] { editor.removeTool(two); });
    EXPECT_EQ(numbers(), (QList<int>{1, 2}));
    act([&] { editor.undo(); });
    EXPECT_EQ(numbers(), (QList<int>{1, 3, 2}));  // the old 2 comes back as 2, the other is 3 again
    act([&] { editor.redo(); });
    EXPECT_EQ(numbers(), (QList<int>{1, 2}));
}

TEST_F(DrawnEditorTest, AppendingANumberShiftsTheOthersUp) {
    addPoint(1, QPointF(10, 10));
    addPoint(2, QPointF(20, 20));
    addPoint(1, QPointF(30, 30));
    EXPECT_EQ(numbers(), (QList<int>{2, 3, 1}));
}

TEST_F(DrawnEditorTest, CommitKeepsValidDrawingsAndDropsSmallOnes) {
    host.drawing = build(Tool::Rectangle, QPointF(10, 10), QPointF(19, 50));
    act([&] { editor.commitDrawingTool(false); });
    EXPECT_TRUE(host.tools.isEmpty());
    EXPECT_TRUE(host.drawing);  // stays until the edit ends
    act([&] { editor.finishEditing(); });
    EXPECT_FALSE(host.drawing);

    host.drawing = build(Tool::Rectangle, QPointF(10, 10), QPointF(20, 20));
    act([&] { editor.commitDrawingTool(true); });
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(host.active, host.tools.first()->id);
    EXPECT_GT(host.refreshes, 0);
}

TEST_F(DrawnEditorTest, CommitKeepsTheObjectsOwnColour) {
    host.drawing = build(Tool::Line, QPointF(0, 0), QPointF(50, 0), {QColor("#FFC700"), false});
    host.color = {QColor("#1B8701"), false};
    act([&] { editor.finishEditing(); });
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(host.tools.first()->color.color, QColor("#FFC700"));
}

TEST_F(DrawnEditorTest, PressSelectsWithoutPinningTheCursor) {
    const DrawnPtr rect = build(Tool::Rectangle, QPointF(100, 100), QPointF(200, 200));
    act([&] { editor.appendTool(rect); });
    host.drawing = build(Tool::Line, QPointF(0, 0), QPointF(50, 0));
    editor.moveDragChanged(shown(rect), QPointF(0, 0));
    editor.moveDragEnded(shown(rect));
    FakeDrawnHost::settle();
    EXPECT_EQ(host.active, rect->id);
    EXPECT_EQ(host.tools.size(), 2);  // the line being drawn was committed
    EXPECT_FALSE(host.cursor);
}

TEST_F(DrawnEditorTest, MovingLeavesOneObjectAndUndoPutsItBack) {
    const DrawnPtr rect = build(Tool::Rectangle, QPointF(100, 100), QPointF(200, 200));
    act([&] { editor.appendTool(rect); });
    const DrawnPtr view = shown(rect);
    act([&] {
        editor.moveDragChanged(view, QPointF(0, 0));
        editor.moveDragChanged(view, QPointF(-1.5, -3));  // a real move: one offset reaches 2
        EXPECT_EQ(host.cursor, DragCursor::ClosedHand);
        EXPECT_EQ(host.needDelete->id, rect->id);
        editor.moveDragChanged(view, QPointF(-30, 0));
        editor.moveDragEnded(view);
    });
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(host.tools.first()->startPoint, QPointF(130, 100));
    EXPECT_FALSE(host.needDelete);
    EXPECT_FALSE(host.cursor);
    EXPECT_TRUE(host.state.tempLocations.isEmpty());
    act([&] { editor.undo(); });
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(host.tools.first()->id, rect->id);
    EXPECT_EQ(host.tools.first()->startPoint, QPointF(100, 100));
}

TEST_F(DrawnEditorTest, AlternateDragDuplicates) {
    const DrawnPtr rect = build(Tool::Rectangle, QPointF(100, 100), QPointF(200, 200));
    act([&] { editor.appendTool(rect); });
    host.alt = true;
    act([&] {
        editor.moveDragChanged(shown(rect), QPointF(0, 0));
        editor.moveDragChanged(shown(rect), QPointF(-40, -40));
        editor.moveDragEnded(shown(rect));
    });
    EXPECT_EQ(host.tools.size(), 2);
}

TEST_F(DrawnEditorTest, PenMovesAddUp) {
    const DrawnPtr pen = editor.makeTool(std::nullopt, std::nullopt, {QPointF(0, 0), QPointF(10, 10)}, Tool::Pen, true,
                                        std::nullopt);
    act([&] { editor.appendTool(pen); });
    for (int i = 0; i < 2; ++i) {
        const DrawnPtr current = host.tools.last();
        act([&] {
            editor.moveDragChanged(shown(current), QPointF(0, 0));
            editor.moveDragChanged(shown(current), QPointF(-5, -7));
            editor.moveDragEnded(shown(current));
        });
    }
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(host.tools.first()->points.first(), QPointF(10, 14));
}

TEST_F(DrawnEditorTest, ReshapingPastTheOppositeCornerNormalises) {
    const DrawnPtr rect = build(Tool::Rectangle, QPointF(100, 100), QPointF(200, 200));
    act([&] { editor.appendTool(rect); });
    act([&] {
        // Dragging the top-left handle to beyond the bottom-right corner.
        editor.resizeDragChanged(QPointF(200, 200), QPointF(250, 260), {}, shown(rect), CornerType::TopLeft);
        EXPECT_EQ(host.cursor, DragCursor::Arrow);
        editor.resizeDragEnded(shown(rect));
    });
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(host.tools.first()->startPoint, QPointF(200, 200));
    EXPECT_EQ(host.tools.first()->endPoint, QPointF(250, 260));
    EXPECT_FALSE(host.state.tempStartLocation);
}

TEST_F(DrawnEditorTest, ShiftTurnsTheFixedEndOfALine) {
    const DrawnPtr line = build(Tool::Line, QPointF(100, 100), QPointF(200, 100));
    act([&] { editor.appendTool(line); });
    host.inputs.shift = true;
    editor.resizeDragChanged(QPointF(100, 100), QPointF(200, 105), {}, shown(line), CornerType::TopRight);
    ASSERT_TRUE(host.drawing);
    EXPECT_EQ(host.drawing->startPoint, QPointF(100, 100));
    EXPECT_NEAR(host.drawing->endPoint->y(), 100, 1e-9);
}

TEST_F(DrawnEditorTest, ReeditedTextReplacesTheOldAndClearsTheStaleReference) {
    const DrawnPtr text =
        editor.makeTool(QPointF(50, 50), QPointF(50, 50), {}, Tool::Text, false, textData(QStringLiteral("old")));
    act([&] { editor.appendTool(text); });
    act([&] { editor.selectDrawnTool(text, true); });
    auto editable = copyAs<TextTool>(host.drawing);
    ASSERT_TRUE(editable);
    EXPECT_TRUE(editable->activeTextEdit);
    EXPECT_EQ(host.needDelete->id, text->id);
    editable->text = QStringLiteral("new");
    editor.syncDrawingTool(editable);
    act([&] { editor.finishEditing(); });
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(static_cast<const TextTool &>(*host.tools.first()).text, "new");
    EXPECT_FALSE(host.needDelete);
    act([&] { editor.undo(); });  // one step: the old text is back, the new gone
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(static_cast<const TextTool &>(*host.tools.first()).text, "old");
}

TEST_F(DrawnEditorTest, ReopenedTextCommittedEmptyIsDeletedUndoably) {
    const DrawnPtr text =
        editor.makeTool(QPointF(50, 50), QPointF(50, 50), {}, Tool::Text, false, textData(QStringLiteral("old")));
    act([&] { editor.appendTool(text); });
    act([&] { editor.selectDrawnTool(text, true); });
    auto editable = copyAs<TextTool>(host.drawing);
    editable->text.clear();
    editor.syncDrawingTool(editable);
    act([&] { editor.finishEditing(); });
    EXPECT_TRUE(host.tools.isEmpty());
    EXPECT_FALSE(host.needDelete);
    act([&] { editor.undo(); });
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(host.tools.first()->id, text->id);
}

TEST_F(DrawnEditorTest, CommentCardSavesReplacesAndDeletes) {
    // A point being placed: saved only with text, in the current colour.
    const DrawnPtr placing = editor.makeTool(QPointF(40, 40), QPointF(40, 40), {}, Tool::Point, true,
                                            pointData(QString(), 1, CornerType::BottomRight));
    host.drawing = placing;
    const auto &placed = static_cast<const PointTool &>(*placing);
    editor.saveComment(placed, QString());
    EXPECT_TRUE(host.tools.isEmpty());
    act([&] { editor.saveComment(placed, QStringLiteral("first")); });
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_FALSE(host.drawing);
    EXPECT_FALSE(host.active);

    // An existing point: a new text keeps number, corner and position under a new id.
    const auto existing = copyAs<PointTool>(shown(host.tools.first()));
    act([&] { editor.commentClickedOutside(*existing, QStringLiteral("second")); });
    ASSERT_EQ(host.tools.size(), 1);
    const auto &replaced = static_cast<const PointTool &>(*host.tools.first());
    EXPECT_EQ(replaced.text, "second");
    EXPECT_EQ(replaced.number, 1);
    EXPECT_EQ(replaced.pointCorner, CornerType::BottomRight);
    EXPECT_EQ(replaced.startPoint, QPointF(40, 40));
    EXPECT_NE(replaced.id, existing->id);
    EXPECT_EQ(host.active, replaced.id);

    const auto again = copyAs<PointTool>(shown(host.tools.first()));
    act([&] { editor.deleteComment(*again); });
    EXPECT_TRUE(host.tools.isEmpty());
    act([&] { editor.undo(); });
    EXPECT_EQ(host.tools.size(), 1);
}

TEST_F(DrawnEditorTest, AnAbandonedDragLeavesNoState) {
    const DrawnPtr rect = build(Tool::Rectangle, QPointF(100, 100), QPointF(200, 200));
    act([&] { editor.appendTool(rect); });
    host.inputs.spaceKeyPoint = QPointF(150, 150);
    editor.moveDragChanged(shown(rect), QPointF(0, 0));
    editor.moveDragChanged(shown(rect), QPointF(-20, 0));
    ASSERT_TRUE(host.cursor);
    editor.abandonDrag();
    EXPECT_FALSE(host.cursor);
    EXPECT_FALSE(host.drawingFlag);
    EXPECT_FALSE(host.inputs.spaceKeyPoint);
    EXPECT_TRUE(host.state.tempLocations.isEmpty());
}

TEST_F(DrawnEditorTest, UndoWithNothingToUndoKeepsTheEdit) {
    host.drawing = build(Tool::Rectangle, QPointF(10, 10), QPointF(60, 60));
    editor.undo();
    EXPECT_TRUE(host.drawing);
    EXPECT_TRUE(host.tools.isEmpty());
}

} // namespace
