#include "capture/OverlayGeometry.h"

#include <gtest/gtest.h>

using qn::OverlayGeometry;

namespace {
std::string str(const QRectF &r) {
    return "(" + std::to_string(r.x()) + ", " + std::to_string(r.y()) + ", " + std::to_string(r.width()) + ", " +
           std::to_string(r.height()) + ")";
}
#define EXPECT_RECT(actual, expected) EXPECT_EQ(str(actual), str(expected))

struct RectCase {
    const char *name;
    std::optional<QRectF> maxFrame;
    std::optional<QPointF> a, b;
    bool square;
    QRectF expected;
};
} // namespace

TEST(OverlayGeometry, RectFromPoints) {
    const RectCase cases[] = {
        {"drag up-left normalises", std::nullopt, QPointF(30, 40), QPointF(10, 10), false, {10, 10, 20, 30}},
        {"square keeps the longer side's signs", std::nullopt, QPointF(30, 40), QPointF(10, 10), true, {0, 10, 30, 30}},
        {"square down-right", std::nullopt, QPointF(0, 0), QPointF(10, 4), true, {0, 0, 10, 10}},
        {"points are clamped into the frame",
         QRectF(0, 0, 100, 100),
         QPointF(-20, 50),
         QPointF(150, 60),
         false,
         {0, 50, 100, 10}},
        {"clamped on a frame that does not start at the origin",
         QRectF(50, 50, 100, 100),
         QPointF(0, 0),
         QPointF(300, 300),
         false,
         {50, 50, 100, 100}},
        {"a missing point gives the zero rectangle", std::nullopt, std::nullopt, QPointF(3, 3), false, {}},
        {"zero-size drag", std::nullopt, QPointF(7, 8), QPointF(7, 8), false, {7, 8, 0, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        OverlayGeometry g;
        g.maxFrame = c.maxFrame;
        EXPECT_RECT(g.rectFromPoints(c.a, c.b, c.square), c.expected);
    }
}

TEST(OverlayGeometry, HandleDragClampsAndSnapsToTheFrameEdges) {
    struct Case {
        const char *name;
        QRectF frame;
        QPointF start, current;
        bool shift;
        QRectF expected;
    };
    const Case cases[] = {
        {"inside: unchanged", {0, 0, 1000, 800}, {100, 100}, {300, 250}, false, {100, 100, 200, 150}},
        {"near left and bottom edges snap", {0, 0, 1000, 800}, {3, 50}, {400, 797}, false, {0, 50, 400, 750}},
        {"past the right edge stops at it", {0, 0, 1000, 800}, {900, 10}, {1300, 100}, false, {900, 10, 100, 90}},
        {"Shift squares", {0, 0, 1000, 800}, {100, 100}, {300, 150}, true, {100, 100, 200, 200}},
        {"square clamped at the bottom", {0, 0, 1000, 800}, {100, 700}, {200, 720}, true, {100, 700, 100, 100}},
        {"a frame of another screen snaps to its own edges",
         {0, 0, 1280, 1024},
         {1277, 1020},
         {600, 500},
         false,
         {600, 500, 680, 524}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        OverlayGeometry g;
        g.maxFrame = c.frame;
        OverlayGeometry::Input input;
        input.shift = c.shift;
        EXPECT_RECT(g.rectForHandleDrag(true, true, c.start, c.current, input), c.expected);
    }
}

TEST(OverlayGeometry, ShiftIsIgnoredWhenSquaringIsNotAllowed) {
    OverlayGeometry g;
    OverlayGeometry::Input input;
    input.shift = true;
    EXPECT_RECT(g.rectForHandleDrag(false, false, {0, 0}, {30, 10}, input), QRectF(0, 0, 30, 10));
}

TEST(OverlayGeometry, FitIntoFrameKeepsTheRectangleOnItsScreen) {
    const QRectF frame(0, 0, 500, 400);
    struct Case {
        QRectF in, out;
    };
    const Case cases[] = {
        {{-50, -50, 100, 100}, {0, 0, 50, 50}},
        {{450, 350, 100, 100}, {450, 350, 50, 50}},
        {{10, 10, 800, 800}, {10, 10, 490, 390}},
        {{2, 2, 30, 30}, {0, 0, 32, 32}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(str(c.in));
        EXPECT_RECT(OverlayGeometry::fitIntoFrame(c.in, frame), c.out);
    }
}

// Holding Space turns the drag into a move of the rectangle being dragged out; on
// release the drag goes on resizing from the moved start.
TEST(OverlayGeometry, SpaceMovesTheRectangleAndTheDragContinuesFromIt) {
    OverlayGeometry g;
    g.maxFrame = QRectF(0, 0, 1000, 800);
    OverlayGeometry::Input space;
    space.spaceKeyPoint = QPointF(200, 150);

    space.pointer = QPointF(230, 170);
    EXPECT_RECT(g.rectForHandleDrag(true, true, {100, 100}, {230, 170}, space), QRectF(130, 120, 130, 70));
    EXPECT_EQ(g.tempStartLocation, QPointF(130, 120));
    EXPECT_EQ(g.tempOffset, QSizeF(30, 20));

    space.pointer = QPointF(250, 160);
    EXPECT_RECT(g.rectForHandleDrag(true, true, {100, 100}, {250, 160}, space), QRectF(150, 110, 130, 70));

    OverlayGeometry::Input released;
    released.pointer = QPointF(300, 200);
    EXPECT_RECT(g.rectForHandleDrag(true, true, {100, 100}, {300, 200}, released), QRectF(150, 110, 150, 90));
    EXPECT_TRUE(g.tempLocations.isEmpty());

    g.endDrag();
    EXPECT_FALSE(g.tempStartLocation);
    EXPECT_EQ(g.tempOffset, QSizeF());
}

TEST(OverlayGeometry, SpaceMoveKeepsTheCornerWhereTheDragStarted) {
    struct Case {
        QPointF start, current, expectedStart;
    };
    // Offset (10, 10) in every case; the start corner follows the drag's direction.
    const Case cases[] = {
        {{100, 100}, {200, 200}, {110, 110}},
        {{200, 100}, {100, 200}, {210, 110}},
        {{100, 200}, {200, 100}, {110, 210}},
        {{200, 200}, {100, 100}, {210, 210}},
    };
    for (const auto &c : cases) {
        OverlayGeometry g;
        OverlayGeometry::Input space;
        space.spaceKeyPoint = QPointF(0, 0);
        space.pointer = QPointF(10, 10);
        g.rectForHandleDrag(false, true, c.start, c.current, space);
        EXPECT_EQ(g.tempStartLocation, c.expectedStart);
    }
}

TEST(OverlayGeometry, DragPointsMoveBothEndsWithSpace) {
    OverlayGeometry g;
    OverlayGeometry::Input space;
    space.spaceKeyPoint = QPointF(50, 50);
    space.pointer = QPointF(60, 55);
    const auto points = g.dragPointsFromMouse({0, 0}, {60, 55}, space);
    ASSERT_EQ(points.size(), 2);
    EXPECT_EQ(points[0], QPointF(10, 5));
    EXPECT_EQ(points[1], QPointF(60, 55));
}

TEST(OverlayGeometry, SnapAngleLeansToTheLargerMultipleOf15) {
    struct Case {
        QPointF end;
        qreal expectedDegrees;
    };
    const Case cases[] = {{{10, 1.2}, 15}, {{10, 0.5}, 0}, {{0, 10}, 90}, {{-10, 0.1}, -180}, {{10, -2.5}, -15}};
    for (const auto &c : cases) {
        const QPointF end = OverlayGeometry::snapAngle(true, {0, 0}, c.end);
        const qreal degrees = std::atan2(end.y(), end.x()) * 180 / M_PI;
        EXPECT_NEAR(std::abs(degrees), std::abs(c.expectedDegrees), 1e-6) << c.end.x() << "," << c.end.y();
        EXPECT_NEAR(std::hypot(end.x(), end.y()), std::hypot(c.end.x(), c.end.y()), 1e-9);
    }
    EXPECT_EQ(OverlayGeometry::snapAngle(false, {0, 0}, {10, 1.2}), QPointF(10, 1.2));
}

TEST(OverlayGeometry, SmoothPenPath) {
    const QPainterPath path = OverlayGeometry::smoothPenPath({{0, 0}, {10, 0}, {10, 10}});
    // move; two quadratic curves (stored as cubics: two control points and an end); a line
    ASSERT_EQ(path.elementCount(), 8);
    EXPECT_EQ(QPointF(path.elementAt(0)), QPointF(0, 0));
    EXPECT_EQ(QPointF(path.elementAt(3)), QPointF(5, 0));
    EXPECT_EQ(QPointF(path.elementAt(6)), QPointF(10, 5));
    EXPECT_EQ(QPointF(path.elementAt(7)), QPointF(10, 10));
    // The first curve bends towards its control point (0, 0): it stays on the x axis.
    EXPECT_EQ(path.elementAt(1).y, 0);
    EXPECT_TRUE(OverlayGeometry::smoothPenPath({}).isEmpty());
}
