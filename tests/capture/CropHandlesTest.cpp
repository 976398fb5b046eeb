#include "capture/CropHandles.h"
#include "capture/OverlayGeometry.h"

#include <gtest/gtest.h>

using namespace qn;

TEST(CropHandles, FramesSitOnTheRectangleGrownBy4) {
    const QRectF crop(100, 100, 200, 150);
    struct Case {
        CornerType type;
        QPointF origin;
    };
    const Case cases[] = {
        {CornerType::TopLeft, {96, 96}},       {CornerType::TopRight, {286, 96}}, {CornerType::BottomLeft, {96, 236}},
        {CornerType::BottomRight, {286, 236}}, {CornerType::Top, {191, 96}},      {CornerType::Bottom, {191, 254}},
        {CornerType::Left, {96, 166}},         {CornerType::Right, {304, 166}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.type));
        EXPECT_EQ(cropHandles::frame(c.type, crop), QRectF(c.origin, QSizeF(18, 18)));
    }
}

TEST(CropHandles, HitTestNearTheLinesOnly) {
    const QRectF crop(100, 100, 200, 150);
    struct Case {
        QPointF point;
        std::optional<CornerType> expected;
    };
    const Case cases[] = {
        {{97, 105}, CornerType::TopLeft},      // on the top-left arm
        {{303, 253}, CornerType::BottomRight}, // the corner itself
        {{200, 96}, CornerType::Top},
        {{200, 254}, CornerType::Bottom},
        {{304, 175}, CornerType::Right},
        {{200, 175}, std::nullopt},       // inside the crop
        {{150, 96}, std::nullopt},        // on the border, away from every handle
        {{108, 108}, std::nullopt},       // inside the TopLeft frame, 8 from its lines
        {{91, 108}, CornerType::TopLeft}, // 5 beyond the end of the left arm's line is still within 6
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.point.x()) + "," + std::to_string(c.point.y()));
        EXPECT_EQ(cropHandles::hit(crop, c.point), c.expected);
    }
}

TEST(CropHandles, HandleWinsOverTheBorderBand) {
    const QRectF crop(100, 100, 200, 150);
    const QPointF p(97, 105); // 3 left of the left edge, 5 below the top edge
    EXPECT_TRUE(cropHandles::onBorder(crop, p));
    EXPECT_EQ(cropHandles::hit(crop, p), CornerType::TopLeft);
    EXPECT_TRUE(cropHandles::onBorder(crop, {150, 96}));
    EXPECT_FALSE(cropHandles::onBorder(crop, {150, 110}));
    EXPECT_TRUE(cropHandles::onMoveBand(crop, {150, 97}));
    EXPECT_FALSE(cropHandles::onMoveBand(crop, {150, 120}));
}

TEST(CropHandles, PairsShareACursor) {
    EXPECT_EQ(cropHandles::cursor(CornerType::TopLeft).shape(), cropHandles::cursor(CornerType::BottomRight).shape());
    EXPECT_EQ(cropHandles::cursor(CornerType::TopRight).shape(), cropHandles::cursor(CornerType::BottomLeft).shape());
    EXPECT_EQ(cropHandles::cursor(CornerType::Top).shape(), Qt::SizeVerCursor);
    EXPECT_EQ(cropHandles::cursor(CornerType::Right).shape(), Qt::SizeHorCursor);
}

// A handle drag turned into the controller's rectangle, as the overlay does it.
namespace {
QRectF dragHandle(CornerType type, const QRectF &crop, QPointF press, QPointF to, bool shift,
                  const QRectF &frame = QRectF(0, 0, 1000, 800)) {
    cropHandles::Drag drag;
    OverlayGeometry g;
    g.maxFrame = frame;
    OverlayGeometry::Input input;
    input.shift = shift;
    QRectF rect = crop;
    const QPointF mid = (press + to) / 2;
    for (QPointF at : {press, mid, to}) {
        const auto step =
            drag.changed(type, rect, at, QSizeF(at.x() - press.x(), at.y() - press.y()), shift, false, {});
        rect = g.rectForHandleDrag(true, step.squareAllowed, step.anchor, step.moving, input);
    }
    return rect;
}
} // namespace

TEST(CropHandles, DragsResizeTheRectangle) {
    const QRectF crop(100, 100, 200, 150);
    struct Case {
        const char *name;
        CornerType type;
        QPointF press, to;
        bool shift;
        QRectF expected;
        QRectF frame = QRectF(0, 0, 1000, 800);
    };
    const Case cases[] = {
        {"bottom-right corner follows the pointer",
         CornerType::BottomRight,
         {300, 250},
         {350, 300},
         false,
         {100, 100, 250, 200}},
        {"top-left corner follows the pointer", CornerType::TopLeft, {100, 100}, {50, 80}, false, {50, 80, 250, 170}},
        {"past the opposite corner flips around the anchor",
         CornerType::BottomRight,
         {300, 250},
         {50, 60},
         false,
         {50, 60, 50, 40}},
        {"right edge moves alone", CornerType::Right, {304, 175}, {404, 190}, false, {100, 100, 300, 150}},
        {"top edge moves alone", CornerType::Top, {200, 96}, {220, 76}, false, {100, 80, 200, 170}},
        {"Shift on the top edge moves top and left together",
         CornerType::Top,
         {200, 96},
         {200, 76},
         true,
         {80, 80, 220, 170}},
        {"Shift on a corner squares", CornerType::BottomRight, {300, 250}, {320, 260}, true, {100, 100, 220, 220}},
        {"clamped at the frame", CornerType::BottomRight, {300, 250}, {1200, 900}, false, {100, 100, 900, 700}},
        {"clamped on a smaller screen",
         CornerType::Left,
         {96, 175},
         {-300, 175},
         false,
         {0, 100, 300, 150},
         QRectF(0, 0, 640, 480)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(dragHandle(c.type, crop, c.press, c.to, c.shift, c.frame), c.expected);
    }
}

TEST(CropHandles, EdgeDragContinuesFromTheSpaceMovedRectangle) {
    cropHandles::Drag drag;
    const QRectF crop(100, 100, 200, 150);
    // First event: the Right handle takes the bottom-right corner as reference.
    auto step = drag.changed(CornerType::Right, crop, {304, 175}, QSizeF(0, 0), false, false, {});
    EXPECT_EQ(step.anchor, QPointF(100, 100));
    EXPECT_EQ(step.moving, QPointF(300, 250));
    // Space held during the drag, then released after a move of (0, 30).
    drag.changed(CornerType::Right, crop, {304, 175}, QSizeF(0, 0), false, true, {0, 30});
    step = drag.changed(CornerType::Right, crop, {314, 175}, {10, 0}, false, false, {0, 30});
    EXPECT_EQ(step.moving, QPointF(310, 280));
    drag.ended();
    EXPECT_FALSE(drag.active());
}
