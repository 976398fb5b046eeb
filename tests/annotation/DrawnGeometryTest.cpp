#include "annotation/DrawnGeometry.h"

#include <QPainterPath>
#include <QtMath>
#include <gtest/gtest.h>

using namespace qn;

namespace {

struct RectCase {
    const char *name;
    std::optional<QPointF> a, b;
    bool square;
    std::optional<QRectF> frame;
    QRectF expected;
};

TEST(DrawnGeometry, RectFromPoints) {
    const RectCase cases[] = {
        {"normalised", QPointF(30, 40), QPointF(10, 10), false, std::nullopt, QRectF(10, 10, 20, 30)},
        {"squared keeps directions", QPointF(30, 40), QPointF(10, 10), true, std::nullopt, QRectF(0, 10, 30, 30)},
        {"clamped into the frame", QPointF(-20, 50), QPointF(150, 60), false, QRectF(0, 0, 100, 100),
         QRectF(0, 50, 100, 10)},
        {"missing point", std::nullopt, QPointF(1, 1), false, std::nullopt, QRectF()},
        {"zero height squares downward", QPointF(0, 0), QPointF(20, 0), true, std::nullopt, QRectF(0, 0, 20, 20)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(rectFromPoints(c.a, c.b, c.square, c.frame), c.expected) << c.name;
}

TEST(DrawnGeometry, HandleDragClampsWithSnappingMargins) {
    DragMoveState state;
    DragInputs in;
    in.maxFrame = QRectF(0, 0, 1000, 800);
    EXPECT_EQ(rectForHandleDrag(true, true, QPointF(3, 50), QPointF(400, 797), in, state), QRectF(0, 50, 400, 750));
    // Without clamping the frame only limits the points.
    EXPECT_EQ(rectForHandleDrag(false, true, QPointF(3, 50), QPointF(400, 797), in, state), QRectF(3, 50, 397, 747));
}

TEST(DrawnGeometry, ShiftSquaresOnlyWhereAllowed) {
    DragMoveState state;
    DragInputs in;
    in.shift = true;
    EXPECT_EQ(rectForHandleDrag(false, true, QPointF(10, 10), QPointF(50, 20), in, state), QRectF(10, 10, 40, 40));
    EXPECT_EQ(rectForHandleDrag(false, false, QPointF(10, 10), QPointF(50, 20), in, state), QRectF(10, 10, 40, 10));
}

TEST(DrawnGeometry, SpaceMovesTheRectangleThenResizingResumesFromTheMovedStart) {
    DragMoveState state;
    DragInputs in;
    in.maxFrame = QRectF(0, 0, 1000, 800);
    in.spaceKeyPoint = QPointF(200, 150);
    in.pointer = QPointF(230, 170);
    EXPECT_EQ(rectForHandleDrag(false, true, QPointF(100, 100), QPointF(230, 170), in, state),
              QRectF(130, 120, 130, 70));
    EXPECT_EQ(state.tempStartLocation, QPointF(130, 120));
    EXPECT_EQ(state.tempOffset, QSizeF(30, 20));
    EXPECT_EQ(state.tempLocations.value(0), QPointF(100, 100));
    EXPECT_EQ(state.tempLocations.value(1), QPointF(230, 170));

    in.pointer = QPointF(250, 160);
    EXPECT_EQ(rectForHandleDrag(false, true, QPointF(100, 100), QPointF(250, 160), in, state),
              QRectF(150, 110, 130, 70));

    in.spaceKeyPoint.reset();
    in.pointer = QPointF(300, 200);
    EXPECT_EQ(rectForHandleDrag(false, true, QPointF(100, 100), QPointF(300, 200), in, state),
              QRectF(150, 110, 150, 90));
    EXPECT_TRUE(state.tempLocations.isEmpty());
}

TEST(DrawnGeometry, SpaceMovesBothEndsOfALine) {
    DragMoveState state;
    DragInputs in;
    in.spaceKeyPoint = QPointF(50, 50);
    in.pointer = QPointF(60, 55);
    const auto first = dragPointsFromMouse(QPointF(0, 0), QPointF(50, 50), in, state);
    EXPECT_EQ(first.value(0), QPointF(10, 5));
    in.pointer = QPointF(70, 50);
    const auto second = dragPointsFromMouse(QPointF(0, 0), QPointF(70, 50), in, state);
    EXPECT_EQ(second.value(0), QPointF(20, 0));
    EXPECT_EQ(second.value(1), QPointF(70, 50));
}

struct SnapCase {
    QPointF end;
    double expectedDegrees;
};

TEST(DrawnGeometry, SnapAngleLeansToTheNextFifteenDegreeStep) {
    const SnapCase cases[] = {
        {QPointF(10, 1.2), 15},    // 6.8°
        {QPointF(10, 0.5), 0},     // 2.9°
        {QPointF(10, -0.5), 0},    // −2.9°
        {QPointF(0, 10), 90},      // straight down
        {QPointF(-10, -0.1), -180},
        {QPointF(10, 10 * std::tan(qDegreesToRadians(41.0))), 45},
    };
    for (const auto &c : cases) {
        const QPointF snapped = snapAngle(true, QPointF(0, 0), c.end);
        const double length = std::hypot(c.end.x(), c.end.y());
        EXPECT_NEAR(std::hypot(snapped.x(), snapped.y()), length, 1e-9);
        EXPECT_NEAR(qRadiansToDegrees(std::atan2(snapped.y(), snapped.x())), c.expectedDegrees, 1e-6)
            << c.end.x() << "," << c.end.y();
    }
    EXPECT_EQ(snapAngle(false, QPointF(0, 0), QPointF(10, 1.2)), QPointF(10, 1.2));
}

TEST(DrawnGeometry, ShiftSnapsALineDrag) {
    DragMoveState state;
    DragInputs in;
    in.shift = true;
    const auto ends = dragPointsFromMouse(QPointF(0, 0), QPointF(100, 5), in, state);  // 2.9°
    EXPECT_NEAR(ends.value(1).y(), 0, 1e-9);
    EXPECT_NEAR(ends.value(1).x(), std::hypot(100, 5), 1e-9);
}

TEST(DrawnGeometry, SmoothPenPathThroughMidpoints) {
    const QPainterPath path = smoothPenPath({QPointF(0, 0), QPointF(10, 0), QPointF(10, 10)});
    // move, quad (control + end as two curve elements each), line
    ASSERT_EQ(path.elementCount(), 1 + 3 + 3 + 1);
    // Qt stores quadratic curves as cubics; the curve ends must be the midpoints.
    EXPECT_EQ(QPointF(path.elementAt(0)), QPointF(0, 0));
    EXPECT_EQ(QPointF(path.elementAt(3)), QPointF(5, 0));
    EXPECT_EQ(QPointF(path.elementAt(6)), QPointF(10, 5));
    EXPECT_EQ(QPointF(path.elementAt(7)), QPointF(10, 10));
    EXPECT_TRUE(smoothPenPath({}).isEmpty());
}

} // namespace
