#include "DrawnBuilders.h"
#include "annotation/BoxTool.h"
#include "annotation/LineTool.h"
#include "annotation/PenTool.h"
#include "annotation/PointTool.h"
#include "annotation/TextTool.h"

#include <gtest/gtest.h>

using namespace qn;
using namespace qn::test;

namespace {

struct HitCase {
    const char *name;
    DrawnPtr tool;
    QPointF point;
    int kind;
    std::optional<CornerType> corner;
};

void expectHit(const HitCase &c) {
    const DrawnIntersection hit = c.tool->intersect(c.point);
    EXPECT_EQ(hit.kind, c.kind) << c.name;
    EXPECT_EQ(hit.corner, c.corner) << c.name;
    if (c.kind == 1)
        EXPECT_EQ(hit.tool, c.tool->type) << c.name;
    else
        EXPECT_FALSE(hit.tool.has_value()) << c.name;
}

TEST(DrawnHitTest, LinesAndArrows) {
    const DrawnPtr line = build(Tool::Line, QPointF(100, 100), QPointF(300, 100));
    const DrawnPtr shortLine = build(Tool::Line, QPointF(100, 100), QPointF(104, 100));
    const DrawnPtr arrow = build(Tool::Arrow, QPointF(100, 100), QPointF(200, 100));
    const auto head = ArrowTool::headPoints(QPointF(100, 100), QPointF(200, 100));
    ASSERT_TRUE(head);
    // 4 points off the middle of the lower head stroke, on the side away from the shaft.
    const QPointF mid = (head->first + QPointF(200, 100)) / 2;
    const QPointF beside = mid + QPointF(4 / std::sqrt(2.0), 4 / std::sqrt(2.0));
    const HitCase cases[] = {
        {"4 beside the middle", line, QPointF(200, 104), 1, std::nullopt},
        {"6 beside the middle", line, QPointF(200, 106), 0, std::nullopt},
        {"start handle beats stroke", line, QPointF(102, 101), 2, CornerType::TopLeft},
        {"end handle", line, QPointF(296, 98), 2, CornerType::TopRight},
        {"both squares: start wins", shortLine, QPointF(102, 100), 2, CornerType::TopLeft},
        {"beside a head stroke", arrow, beside, 1, std::nullopt},
        {"far away", arrow, QPointF(500, 500), 0, std::nullopt},
    };
    for (const auto &c : cases)
        expectHit(c);
}

TEST(DrawnHitTest, ArrowHeadPoints) {
    const auto down = ArrowTool::headPoints(QPointF(50, 0), QPointF(50, 100));
    ASSERT_TRUE(down);
    EXPECT_NEAR(down->first.x(), 50 - 7.0711, 1e-3);
    EXPECT_NEAR(down->first.y(), 100 - 7.0711, 1e-3);
    EXPECT_NEAR(down->second.x(), 50 + 7.0711, 1e-3);
    EXPECT_NEAR(down->second.y(), 100 - 7.0711, 1e-3);
    const auto left = ArrowTool::headPoints(QPointF(100, 0), QPointF(0, 0));
    ASSERT_TRUE(left);
    EXPECT_GT(left->first.x(), 0);  // behind the tip, towards the start
    EXPECT_GT(left->second.x(), 0);
    EXPECT_FALSE(ArrowTool::headPoints(QPointF(5, 5), QPointF(5, 5)));
}

TEST(DrawnHitTest, BoxesAndBlur) {
    const DrawnPtr rect = build(Tool::Rectangle, QPointF(100, 100), QPointF(200, 200));
    const DrawnPtr oval = build(Tool::Oval, QPointF(0, 0), QPointF(100, 60));
    const DrawnPtr blur = build(Tool::Blur, QPointF(100, 100), QPointF(200, 200));
    const DrawnPtr tiny = build(Tool::Rectangle, QPointF(100, 100), QPointF(106, 106));
    const HitCase cases[] = {
        {"4 outside the left edge", rect, QPointF(96, 150), 1, std::nullopt},
        {"4 inside the left edge", rect, QPointF(104, 150), 1, std::nullopt},
        {"6 outside the left edge", rect, QPointF(94, 150), 0, std::nullopt},
        {"6 inside the left edge", rect, QPointF(106, 150), 0, std::nullopt},
        {"middle of a rectangle", rect, QPointF(150, 150), 0, std::nullopt},
        {"top-left handle", rect, QPointF(97, 97), 2, CornerType::TopLeft},
        {"top-right handle", rect, QPointF(203, 97), 2, CornerType::TopRight},
        {"bottom-right handle", rect, QPointF(203, 203), 2, CornerType::BottomRight},
        {"bottom-left handle", rect, QPointF(97, 203), 2, CornerType::BottomLeft},
        {"oval: off the ellipse", oval, QPointF(7, 7), 0, std::nullopt},
        {"oval: near the ellipse", oval, QPointF(10, 10), 1, std::nullopt},
        {"oval: centre", oval, QPointF(50, 30), 0, std::nullopt},
        {"blur: anywhere inside", blur, QPointF(150, 150), 1, std::nullopt},
        {"blur: outside", blur, QPointF(250, 150), 0, std::nullopt},
        {"tiny box: first square wins", tiny, QPointF(103, 103), 2, CornerType::TopLeft},
    };
    for (const auto &c : cases)
        expectHit(c);
}

TEST(DrawnHitTest, PenBand) {
    auto pen = std::make_shared<PenTool>();
    pen->points = {QPointF(0, 100), QPointF(100, 100), QPointF(200, 100)};
    const HitCase cases[] = {
        {"4 off the stroke", pen, QPointF(100, 104), 1, std::nullopt},
        {"6 off the stroke", pen, QPointF(100, 106), 0, std::nullopt},
    };
    for (const auto &c : cases)
        expectHit(c);
    EXPECT_EQ(std::make_shared<PenTool>()->intersect(QPointF()).kind, 0);
}

TEST(DrawnHitTest, TextBodyAndFontHandle) {
    const DrawnPtr made = DrawnFactory::makeTool(QPointF(100, 100), QPointF(100, 100), {}, Tool::Text, false,
                                               textData(QStringLiteral("Hello")), {}, kFrame);
    const auto text = std::dynamic_pointer_cast<const TextTool>(made);
    ASSERT_TRUE(text);
    const QRectF r = text->textRect();
    const HitCase cases[] = {
        {"inside the text", made, r.center(), 1, std::nullopt},
        {"font handle", made, QPointF(r.right() + 5, r.bottom() + 2), 2, CornerType::BottomRight},
        {"beside", made, QPointF(r.left() - 20, r.center().y()), 0, std::nullopt},
    };
    for (const auto &c : cases)
        expectHit(c);
}

TEST(DrawnHitTest, CommentPoints) {
    const DrawnPtr click = DrawnFactory::makeTool(QPointF(300, 300), std::nullopt, {}, Tool::Point, false,
                                                pointData(QStringLiteral("x"), 1, CornerType::BottomRight), {},
                                                kFrame);
    const DrawnPtr areaPoint = DrawnFactory::makeTool(QPointF(100, 100), QPointF(200, 160), {}, Tool::Point, false,
                                                    pointData(QStringLiteral("x"), 2, CornerType::BottomRight), {},
                                                    kFrame);
    const HitCase cases[] = {
        // Three corner squares lie on a plain pin and come before the pin box.
        {"plain pin centre", click, QPointF(300, 300), 2, CornerType::TopLeft},
        {"pin box above the point", click, QPointF(300, 290), 1, std::nullopt},
        {"area ring", areaPoint, QPointF(150, 103), 1, std::nullopt},
        {"area inside", areaPoint, QPointF(150, 130), 0, std::nullopt},
        {"top-left square", areaPoint, QPointF(100, 100), 2, CornerType::TopLeft},
        {"pin corner has no square", areaPoint, QPointF(200, 160), 1, std::nullopt},
    };
    for (const auto &c : cases)
        expectHit(c);
}

TEST(DrawnHitTest, CommentPinPlacement) {
    auto point = std::make_shared<PointTool>();
    point->startPoint = QPointF(100, 100);
    point->endPoint = QPointF(200, 160);
    EXPECT_EQ(point->pinPoint(), QPointF(200, 160));
    point->pointCorner = CornerType::TopLeft;
    EXPECT_EQ(point->pinPoint(), QPointF(100, 100));
    EXPECT_EQ(point->pinBox(), QRectF(89, 86, 23, 28));
    EXPECT_EQ(point->commentPosition(), QPointF(-187, 114));
    point->pointCorner = CornerType::Top;  // not a corner: the pin stays at the end point
    EXPECT_EQ(point->pinPoint(), QPointF(200, 160));
    EXPECT_EQ(point->handleCorners().size(), 4);
}

TEST(DrawnHitTest, EqualityByKind) {
    auto a = std::make_shared<RectangleTool>();
    auto b = std::make_shared<RectangleTool>(*a);
    b->endPoint = QPointF(5, 5);
    EXPECT_TRUE(*a == *b);  // corners take no part
    b->active = true;
    EXPECT_FALSE(*a == *b);

    auto t1 = std::make_shared<TextTool>();
    auto t2 = std::make_shared<TextTool>(*t1);
    t2->text = QStringLiteral("other");
    EXPECT_FALSE(*t1 == *t2);

    auto p1 = std::make_shared<PointTool>();
    auto p2 = std::make_shared<PointTool>(*p1);
    p2->text = QStringLiteral("different");
    p2->number = 7;
    EXPECT_TRUE(*p1 == *p2);
    p2->endPoint = QPointF(1, 1);
    EXPECT_FALSE(*p1 == *p2);

    const DrawnPtr same = withActive(a, false);
    EXPECT_EQ(same.get(), a.get());
}

} // namespace
