#include "ChromeTestSupport.h"
#include "editor_ui/PopoverModyfier.h"

#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

TEST(PopoverTest, PlacementCentresOnTheSourceAndFlipsOnceOffScreen) {
    const QRectF screen(0, 0, 800, 600);
    const QSizeF size(60, 168); // a 48 × 156 palette with its padding
    struct Case {
        const char *name;
        QRectF source;
        Edge preferred;
        std::optional<QRectF> screen;
        Edge edge;
        QPointF offset;
    };
    const Case cases[] = {
        {"leading fits", {300, 200, 44, 36}, Edge::Leading, screen, Edge::Leading, {-66, 18 - 84}},
        {"leading off the left edge opens trailing",
         {20, 200, 44, 36},
         Edge::Leading,
         screen,
         Edge::Trailing,
         {50, 18 - 84}},
        {"no screen known: preferred side",
         {20, 200, 44, 36},
         Edge::Leading,
         std::nullopt,
         Edge::Leading,
         {-66, 18 - 84}},
        {"top off the top edge opens below", {300, 50, 44, 36}, Edge::Top, screen, Edge::Bottom, {-8, 42}},
        {"bottom off the bottom edge opens above", {300, 500, 44, 36}, Edge::Bottom, screen, Edge::Top, {-8, -174}},
        {"trailing off the right edge opens leading",
         {770, 200, 20, 36},
         Edge::Trailing,
         screen,
         Edge::Leading,
         {-66, 18 - 84}},
        // The far side exactly on the screen's edge counts as on screen.
        {"far side on the edge stays", {66, 200, 44, 36}, Edge::Leading, screen, Edge::Leading, {-66, 18 - 84}},
    };
    for (const Case &c : cases) {
        const PopoverPlacement p = popoverPlacement(c.source, c.preferred, size, c.screen);
        EXPECT_EQ(p.edge, c.edge) << c.name;
        EXPECT_EQ(p.offset, c.offset) << c.name;
    }
}

TEST(PopoverTest, OutlineHasItsArrowTipOnTheMiddleOfTheArrowSide) {
    const QRectF b(0, 0, 60, 100);
    struct Case {
        Edge arrow;
        QPointF tip, outsideBand;
    };
    const Case cases[] = {
        {Edge::Leading, {0.5, 50}, {2, 10}},
        {Edge::Trailing, {59.5, 50}, {58, 10}},
        {Edge::Top, {30, 0.5}, {10, 2}},
        {Edge::Bottom, {30, 99.5}, {10, 98}},
    };
    for (const Case &c : cases) {
        const QPainterPath path = popoverBackgroundShape(b, c.arrow);
        EXPECT_TRUE(path.contains(c.tip)) << int(c.arrow);
        EXPECT_FALSE(path.contains(c.outsideBand)) << int(c.arrow);
        EXPECT_TRUE(path.contains(QPointF(30, 50)));
        // Bands without the arrow stay transparent.
        EXPECT_FALSE(path.contains(QPointF(c.arrow == Edge::Leading ? 58 : 2, 50)));
    }
}

namespace {

struct PopoverFixture {
    QWidget window;
    QWidget *source;
    QWidget *content;
    PopoverModyfier *popover;
    int outsideCalls = 0;

    explicit PopoverFixture(QPoint sourcePos = {300, 200}) {
        window.setGeometry(0, 0, 800, 600);
        source = new QWidget(&window);
        source->setGeometry(QRect(sourcePos, QSize(44, 36)));
        content = new QWidget;
        content->setFixedSize(48, 156);
        popover = new PopoverModyfier(source, Edge::Leading, false, content);
        popover->setOutside([this] { ++outsideCalls; });
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

} // namespace

TEST(PopoverTest, OpensWithItsMeasuredSizeBesideTheSource) {
    PopoverFixture f;
    EXPECT_EQ(f.popover->popover(), nullptr);
    f.popover->setShow(true);
    QWidget *frame = f.popover->popover();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    // Already the first placement uses the real size: 60 × 168, 6 px left of the source.
    EXPECT_EQ(frame->geometry(), QRect(300 - 6 - 60, 200 + 18 - 84, 60, 168));
    EXPECT_EQ(f.content->geometry(), QRect(6, 6, 48, 156));
    EXPECT_EQ(f.source->geometry(), QRect(300, 200, 44, 36));

    f.popover->setShow(false);
    EXPECT_FALSE(frame->isVisible());
}

TEST(PopoverTest, FlipsAtTheScreensRealEdge) {
    // The source window itself sits 100 px right of the screen's left edge.
    QWidget window;
    window.setGeometry(100, 0, 600, 600);
    auto *source = new QWidget(&window);
    source->setGeometry(10, 200, 44, 36); // global x 110: a 60 px popover to its left still fits
    auto *content = new QWidget;
    content->setFixedSize(48, 156);
    PopoverModyfier popover(source, Edge::Leading, false, content);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_EQ(window.screen()->geometry().left(), 0);
    popover.setShow(true);
    EXPECT_EQ(popover.placedEdge(), Edge::Leading);
}

TEST(PopoverTest, ReportsLeftClicksOutsideOnlyWhileShown) {
    PopoverFixture f;
    f.popover->setShow(true);
    QWidget *frame = f.popover->popover();

    QTest::mouseClick(&f.window, Qt::LeftButton, {}, QPoint(600, 500));
    EXPECT_EQ(f.outsideCalls, 1);
    QTest::mouseClick(&f.window, Qt::RightButton, {}, QPoint(600, 500));
    EXPECT_EQ(f.outsideCalls, 1);
    QTest::mouseClick(f.content, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(f.outsideCalls, 1);
    // The transparent band counts as inside for the test.
    QTest::mouseClick(&f.window, Qt::LeftButton, {}, frame->geometry().topLeft() + QPoint(2, 2));
    EXPECT_EQ(f.outsideCalls, 1);

    // Opening again installs one filter, not a second one.
    f.popover->setShow(true);
    QTest::mouseClick(&f.window, Qt::LeftButton, {}, QPoint(600, 500));
    EXPECT_EQ(f.outsideCalls, 2);

    f.popover->setShow(false);
    QTest::mouseClick(&f.window, Qt::LeftButton, {}, QPoint(600, 500));
    EXPECT_EQ(f.outsideCalls, 2);
}

TEST(PopoverTest, GoesAwayWithItsSource) {
    PopoverFixture f;
    f.popover->setShow(true);
    QPointer<QWidget> frame = f.popover->popover();
    QPointer<QWidget> content = f.content;
    delete f.source;
    EXPECT_TRUE(frame.isNull());
    EXPECT_TRUE(content.isNull());
}
