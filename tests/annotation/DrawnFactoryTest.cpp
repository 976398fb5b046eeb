#include "DrawnBuilders.h"
#include "annotation/BoxTool.h"
#include "annotation/PenTool.h"
#include "annotation/PointTool.h"
#include "annotation/TextTool.h"

#include <gtest/gtest.h>

using namespace qn;
using namespace qn::test;

namespace {

const QNColor kBlue{QColor("#0075FF"), false};
const QNColor kRed{QColor("#FF4141"), false};

TEST(DrawnFactory, NewObjectsTakeTheCurrentColourRebuildsKeepTheirOwn) {
    const DrawnPtr made = DrawnFactory::makeTool(QPointF(0, 0), QPointF(50, 50), {}, Tool::Rectangle, true,
                                               std::nullopt, kRed, kFrame);
    ASSERT_TRUE(made);
    EXPECT_EQ(made->color, kRed);
    EXPECT_EQ(made->area, kFrame);
    EXPECT_FALSE(made->drawed);
    EXPECT_FALSE(made->active);

    const DrawnPtr rebuilt = DrawnFactory::makeTool(made->startPoint, made->endPoint, {}, made->type, false,
                                                  made->toolData(), kBlue, kFrame);
    EXPECT_EQ(rebuilt->color, kRed);
    EXPECT_NE(rebuilt->id, made->id);
    const DrawnPtr renewed = DrawnFactory::makeTool(made->startPoint, made->endPoint, {}, made->type, true,
                                                  made->toolData(), kBlue, kFrame);
    EXPECT_EQ(renewed->color, kBlue);
}

TEST(DrawnFactory, NoObjectWithoutFrameOrForPointerAndVideo) {
    EXPECT_FALSE(DrawnFactory::makeTool(QPointF(), QPointF(9, 9), {}, Tool::Line, true, {}, kRed, std::nullopt));
    EXPECT_FALSE(DrawnFactory::makeTool(QPointF(), QPointF(9, 9), {}, Tool::Pointer, true, {}, kRed, kFrame));
    EXPECT_FALSE(DrawnFactory::makeTool(QPointF(), QPointF(9, 9), {}, Tool::Video, true, {}, kRed, kFrame));
}

TEST(DrawnFactory, KindSpecificFields) {
    const auto point = std::dynamic_pointer_cast<const PointTool>(
        DrawnFactory::makeTool(QPointF(5, 5), std::nullopt, {}, Tool::Point, true, std::nullopt, kRed, kFrame));
    ASSERT_TRUE(point);
    EXPECT_EQ(point->startPoint, QPointF(5, 5));
    EXPECT_EQ(point->endPoint, QPointF(5, 5));
    EXPECT_TRUE(point->text.isEmpty());
    EXPECT_FALSE(point->number);
    EXPECT_FALSE(DrawnFactory::makeTool(std::nullopt, QPointF(5, 5), {}, Tool::Point, true, {}, kRed, kFrame));

    const auto restored = std::dynamic_pointer_cast<const PointTool>(DrawnFactory::makeTool(
        QPointF(5, 5), QPointF(40, 40), {}, Tool::Point, false, pointData("hi", 3, CornerType::TopLeft), kRed, kFrame));
    EXPECT_EQ(restored->text, "hi");
    EXPECT_EQ(restored->number, 3);
    EXPECT_EQ(restored->pointCorner, CornerType::TopLeft);

    const auto text = std::dynamic_pointer_cast<const TextTool>(
        DrawnFactory::makeTool(QPointF(5, 5), QPointF(5, 5), {}, Tool::Text, true, std::nullopt, kRed, kFrame));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->fontSize, 20);
    EXPECT_TRUE(text->text.isEmpty());
    EXPECT_TRUE(text->activeTextEdit);
    EXPECT_EQ(text->textRect().size(), TextTool::boxSize(QStringLiteral("A"), 20));

    const auto pen = DrawnFactory::makeTool(QPointF(1, 1), QPointF(2, 2), {QPointF(1, 1), QPointF(2, 2)}, Tool::Pen,
                                           true, {}, kRed, kFrame);
    EXPECT_FALSE(pen->startPoint);
    EXPECT_FALSE(pen->endPoint);
    EXPECT_EQ(pen->points.size(), 2);
}

struct ValidityCase {
    const char *name;
    DrawnPtr tool;
    bool kept;
};

TEST(DrawnFactory, ValidityThresholds) {
    const auto text = [](const QString &t) {
        return DrawnFactory::makeTool(QPointF(5, 5), QPointF(5, 5), {}, Tool::Text, false, textData(t), kRed, kFrame);
    };
    const auto point = [](const QString &t) {
        return DrawnFactory::makeTool(QPointF(5, 5), QPointF(5, 5), {}, Tool::Point, false, pointData(t, 1), kRed,
                                     kFrame);
    };
    const auto pen = [](int n) {
        QList<QPointF> pts;
        for (int i = 0; i < n; ++i)
            pts.append(QPointF(i, i));
        return DrawnFactory::makeTool(std::nullopt, std::nullopt, pts, Tool::Pen, false, {}, kRed, kFrame);
    };
    const ValidityCase cases[] = {
        {"rectangle 9 x 40", build(Tool::Rectangle, QPointF(10, 10), QPointF(19, 50)), false},
        {"rectangle 10 x 10", build(Tool::Rectangle, QPointF(10, 10), QPointF(20, 20)), true},
        {"oval 40 x 9", build(Tool::Oval, QPointF(10, 10), QPointF(50, 19)), false},
        {"blur 10 x 10", build(Tool::Blur, QPointF(10, 10), QPointF(20, 20)), true},
        {"pen of one point", pen(1), false},
        {"pen of two points", pen(2), true},
        {"line 9.99 long", build(Tool::Line, QPointF(0, 0), QPointF(9.99, 0)), false},
        {"line 10 long", build(Tool::Line, QPointF(0, 0), QPointF(6, 8)), true},
        {"arrow 0 long", build(Tool::Arrow, QPointF(3, 3), QPointF(3, 3)), false},
        {"empty text", text(QString()), false},
        {"text", text(QStringLiteral("a")), true},
        {"empty comment", point(QString()), false},
        {"comment", point(QStringLiteral("a")), true},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(c.tool) << c.name;
        EXPECT_EQ(DrawnFactory::isToolValid(*c.tool), c.kept) << c.name;
    }
}

TEST(DrawnFactory, FontDragStaysFiniteAndAboveTheMinimum) {
    const double w = TextTool::textWidth(QStringLiteral("Hello"), 20);
    ASSERT_GT(w, 0);
    EXPECT_NEAR(TextTool::dragFontSize(QStringLiteral("Hello"), 20, QPointF(0, 0), QPointF(2 * w, 30)), 40, 1e-6);
    EXPECT_EQ(TextTool::dragFontSize(QStringLiteral("Hello"), 20, QPointF(0, 0), QPointF(1, 1)), 15);
    // An empty text has no width: one letter is measured instead, never a division by zero.
    const double empty = TextTool::dragFontSize(QString(), 20, QPointF(0, 0), QPointF(300, 0));
    EXPECT_TRUE(std::isfinite(empty));
    EXPECT_GT(empty, 20);
}

} // namespace
