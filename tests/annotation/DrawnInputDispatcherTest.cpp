#include "FakeDrawnHost.h"
#include "DrawnBuilders.h"
#include "annotation/PointTool.h"
#include "annotation/TextTool.h"
#include "annotation/DrawnEditor.h"
#include "annotation/DrawnInputDispatcher.h"

#include <gtest/gtest.h>

using namespace qn;
using namespace qn::test;

namespace {

class DispatcherTest : public ::testing::Test {
protected:
    FakeDrawnHost host;
    DrawnEditor editor{host};
    DrawnInputDispatcher input{editor};

    void drag(QPointF from, QPointF to) {
        EXPECT_TRUE(input.press(from));
        for (int i = 1; i <= 4; ++i)
            input.move(from + (to - from) * i / 4.0);
        input.release(to);
        FakeDrawnHost::settle();
    }
};

TEST_F(DispatcherTest, TheSelectedObjectLiesAboveLaterOnesAndBlurBelowAll) {
    const DrawnPtr blur = build(Tool::Blur, QPointF(0, 0), QPointF(300, 300));
    const DrawnPtr first = build(Tool::Rectangle, QPointF(100, 100), QPointF(200, 200));
    const DrawnPtr second = build(Tool::Rectangle, QPointF(100, 100), QPointF(200, 200));
    host.tools = {first, blur, second};
    EXPECT_EQ(input.targetAt(QPointF(100, 150))->first.original->id, second->id);  // later on top
    host.active = first->id;
    EXPECT_EQ(input.targetAt(QPointF(100, 150))->first.original->id, first->id);  // selection raises
    host.active = blur->id;
    EXPECT_EQ(input.targetAt(QPointF(100, 150))->first.original->id, second->id);  // a blur is never raised
    EXPECT_EQ(input.targetAt(QPointF(150, 150))->first.original->id, blur->id);    // inside the blur only
    host.needDelete = second;
    EXPECT_EQ(input.targetAt(QPointF(100, 150))->first.original->id, first->id);  // the replaced one is gone
    EXPECT_FALSE(input.targetAt(QPointF(500, 500)));
}

TEST_F(DispatcherTest, BodyDragMovesAndHandleDragReshapesAfterFivePoints) {
    host.tools = {build(Tool::Rectangle, QPointF(100, 100), QPointF(200, 200))};
    drag(QPointF(100, 150), QPointF(130, 150));
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(host.tools.first()->startPoint, QPointF(130, 100));
    EXPECT_EQ(host.active, host.tools.first()->id);

    // A handle press that moves less than 5 points changes nothing.
    const DrawnPtr before = host.tools.first();
    drag(QPointF(230, 200), QPointF(233, 202));
    EXPECT_EQ(host.tools.first()->id, before->id);

    drag(QPointF(230, 200), QPointF(260, 240));
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(host.tools.first()->startPoint, QPointF(130, 100));
    EXPECT_EQ(host.tools.first()->endPoint, QPointF(260, 240));
}

TEST_F(DispatcherTest, PressOnEmptySpaceIsLeftToTheOverlay) {
    host.tools = {build(Tool::Rectangle, QPointF(100, 100), QPointF(200, 200))};
    EXPECT_FALSE(input.press(QPointF(150, 150)));
    EXPECT_FALSE(input.dragging());
}

TEST_F(DispatcherTest, TappingAPinSelectsItsPoint) {
    const DrawnPtr point = editor.makeTool(QPointF(300, 300), QPointF(300, 300), {}, Tool::Point, true,
                                          pointData(QStringLiteral("c"), 1, CornerType::BottomRight));
    host.tools = {point};
    drag(QPointF(300, 290), QPointF(300, 290));
    EXPECT_EQ(host.active, point->id);
    // Dragging a plain pin moves it.
    drag(QPointF(300, 290), QPointF(340, 290));
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(host.tools.first()->startPoint, QPointF(340, 300));
    EXPECT_EQ(static_cast<const PointTool &>(*host.tools.first()).number, 1);
}

TEST_F(DispatcherTest, DoubleClickReopensAText) {
    const DrawnPtr text =
        editor.makeTool(QPointF(50, 50), QPointF(50, 50), {}, Tool::Text, false, textData(QStringLiteral("hello")));
    host.tools = {text};
    const QRectF r = static_cast<const TextTool &>(*text).textRect();
    EXPECT_TRUE(input.doubleClick(r.center()));
    FakeDrawnHost::settle();
    const auto editing = std::dynamic_pointer_cast<const TextTool>(host.drawing);
    ASSERT_TRUE(editing);
    EXPECT_TRUE(editing->activeTextEdit);
    EXPECT_EQ(editing->text, "hello");
    EXPECT_EQ(host.needDelete->id, text->id);
}

TEST_F(DispatcherTest, FontHandleDragGrowsTheText) {
    const DrawnPtr text =
        editor.makeTool(QPointF(50, 50), QPointF(50, 50), {}, Tool::Text, false, textData(QStringLiteral("hello")));
    host.tools = {text};
    host.active = text->id;
    const auto &t = static_cast<const TextTool &>(*text);
    const QPointF handle = t.handleTopLeft() + QPointF(5, 5);
    const double w = TextTool::textWidth(t.text, 20);
    drag(handle, QPointF(50 + 2 * w, handle.y() + 20));
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_NEAR(static_cast<const TextTool &>(*host.tools.first()).fontSize, 40, 1e-6);
}

TEST_F(DispatcherTest, HoverFollowsTheBandOnly) {
    const DrawnPtr rect = build(Tool::Rectangle, QPointF(100, 100), QPointF(200, 200));
    host.tools = {rect};
    EXPECT_TRUE(input.hoverMove(QPointF(100, 150)));
    EXPECT_TRUE(input.isHovered(rect->id));
    input.hoverMove(QPointF(150, 150));
    EXPECT_FALSE(input.isHovered(rect->id));
    input.hoverMove(QPointF(200, 200));
    ASSERT_TRUE(input.hoveredHandle());
    EXPECT_EQ(input.hoveredHandle()->second, CornerType::BottomRight);
}

} // namespace
