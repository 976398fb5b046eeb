#include "editor_ui/MVPopover.h"
#include "ChromeTestSupport.h"

#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;
using D = MVArrowDirection;

TEST(MVPopoverTest, FramesLieOppositeToTheArrow) {
    const QRect a(100, 100, 50, 31);
    const QSize s(81, 41);
    struct Case {
        D direction;
        QRect frame;
    };
    const Case cases[] = {
        {D::undefined, QRect()},
        {D::left, {150, 115 - 20, 81, 41}},   // right of the anchor, centred (halves rounded down)
        {D::right, {19, 95, 81, 41}},         // left of it
        {D::up, {125 - 40, 131, 81, 41}},     // below it
        {D::down, {85, 100 - 41, 81, 41}},    // above it
        {D::upLeft, {100, 131, 81, 41}},      // below, left edges aligned
        {D::upRight, {150 - 81, 131, 81, 41}} // below, right edges aligned
    };
    for (const Case &c : cases)
        EXPECT_EQ(mvPopoverFrame(c.direction, a, s), c.frame) << int(c.direction);
}

TEST(MVPopoverTest, FittingPrefersTheGivenSideThenTheOppositeThenTheRoomierSide) {
    const QRect screen(0, 0, 800, 600);
    const QSize s(200, 100);
    struct Case {
        const char *name;
        D preferred;
        QRect anchor;
        D expected;
    };
    const Case cases[] = {
        {"room on the right", D::left, {100, 250, 40, 20}, D::left},
        {"near the right edge: opens left", D::left, {700, 250, 40, 20}, D::right},
        {"neither side: more room below", D::left, {150, 100, 500, 20}, D::up},
        {"neither side: more room above", D::left, {150, 450, 500, 20}, D::down},
        {"below does not fit: above", D::up, {300, 550, 40, 20}, D::down},
        {"nothing fits: preferred", D::left, {-50, -50, 900, 700}, D::left},
        {"corner directions have no opposite", D::upLeft, {300, 550, 40, 20}, D::upLeft},
    };
    for (const Case &c : cases)
        EXPECT_EQ(mvFittingArrowDirection(c.preferred, c.anchor, s, screen), c.expected) << c.name;
}

TEST(MVPopoverTest, AKeptOutAreaTurnsThePanelToTheFirstSideClearOfIt) {
    const QRect screen(0, 0, 800, 600);
    const QSize s(100, 60);
    // Beside an anchor at (350, 270, 40, 30) the frames are: right (panel left)
    // x 244..343, left (panel right) x 396..495, both y 255..314; up (panel below)
    // y 306..365, down (panel above) y 204..263, both x 320..419.
    const QRect a(350, 270, 40, 30);
    struct Case {
        const char *name;
        D preferred;
        QRect anchor;
        QRect keptOut;
        D expected;
        QRect own; // the anchor's window
    };
    // A bar 170 wide whose anchor lies near its left edge, 26 px right of a crop.
    const QRect bar(316, 100, 170, 300), inBar(327, 351, 40, 36);
    const Case cases[] = {
        {"no area: as on the screen alone", D::left, {760, 270, 40, 30}, QRect(), D::right},
        {"area far away: the preferred side", D::right, a, {600, 0, 200, 100}, D::right},
        {"area on the preferred side: the opposite", D::right, a, {0, 0, 300, 600}, D::left},
        {"area on both ends: the roomier side (below)", D::right, a, {0, 250, 800, 20}, D::up},
        {"the roomier side blocked too: the last", D::right, {350, 300, 40, 30}, {0, 280, 800, 20}, D::up},
        {"vertical preference, area below: above", D::up, a, {0, 320, 800, 280}, D::down},
        {"none clear: the one overlapping least", D::right, a, {200, 200, 400, 120}, D::up},
        {"none clear, preferred least", D::right, a, {330, 0, 470, 600}, D::right},
        {"clear on the screen beats the preferred side", D::right, {30, 270, 40, 30}, {100, 0, 700, 600}, D::up},
        {"clear but partly off the screen beats overlapping", D::right, {30, 270, 40, 30}, {60, 0, 740, 600}, D::right},
        {"corner directions have no other side", D::upLeft, a, {0, 0, 800, 600}, D::upLeft},
        {"beside a crop: below the bar rather than over it", D::right, inBar, {0, 0, 290, 600}, D::up, bar},
        {"no room below: the side hiding least of the bar",
         D::right,
         inBar.translated(0, 180),
         {0, 0, 290, 600},
         D::down,
         bar.translated(0, 180)},
        {"the preferred side clear: it, whatever the window", D::right, inBar, {0, 0, 200, 600}, D::right, bar},
    };
    for (const Case &c : cases)
        EXPECT_EQ(mvArrowDirectionAvoiding(c.preferred, c.anchor, s, screen, c.keptOut, c.own), c.expected) << c.name;
}

TEST(MVPopoverTest, OutlineCarriesAnArrowOnlyForThePlainDirections) {
    const QRectF r(0, 0, 100, 60);
    EXPECT_TRUE(mvPopoverBackground(r, D::left).contains(QPointF(1, 30)));
    EXPECT_TRUE(mvPopoverBackground(r, D::right).contains(QPointF(99, 30)));
    EXPECT_TRUE(mvPopoverBackground(r, D::up).contains(QPointF(50, 1)));
    EXPECT_TRUE(mvPopoverBackground(r, D::down).contains(QPointF(50, 59)));
    for (D d : {D::undefined, D::upLeft, D::upRight}) {
        const QPainterPath p = mvPopoverBackground(r, d);
        EXPECT_FALSE(p.contains(QPointF(1, 30)));
        EXPECT_FALSE(p.contains(QPointF(50, 59)));
        EXPECT_TRUE(p.contains(QPointF(50, 30)));
    }
}

namespace {

struct Fixture {
    QWidget window;
    QWidget *anchor;
    QWidget *content;
    MVPopoverModyfier *modifier;

    explicit Fixture(QPoint anchorPos = {200, 200}) {
        window.setGeometry(0, 0, 800, 600);
        anchor = new QWidget(&window);
        anchor->setGeometry(QRect(anchorPos, QSize(40, 30)));
        content = new QWidget;
        content->setFixedSize(150, 80);
        modifier = new MVPopoverModyfier(anchor, Qt::RightEdge, content);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

} // namespace

TEST(MVPopoverTest, OpensBesideTheAnchorWithTheMeasuredSize) {
    Fixture f;
    f.modifier->setVisible(true);
    MVPopover *popover = f.modifier->popover();
    ASSERT_TRUE(popover->isShown());
    // Content 150 × 80 padded by 6: 162 × 92, its left edge 6 px right of the anchor.
    EXPECT_EQ(popover->arrowDirection(), D::left);
    const QPoint anchor = f.anchor->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(popover->panel()->geometry(), QRect(anchor + QPoint(46, 15 - 46), QSize(162, 92)));
    EXPECT_EQ(f.content->geometry(), QRect(6, 6, 150, 80));
}

TEST(MVPopoverTest, NearTheScreenEdgeTheFirstShowAlreadyFlipsAndKeepsItsGap) {
    Fixture f({740, 200});
    f.modifier->setVisible(true);
    MVPopover *popover = f.modifier->popover();
    EXPECT_EQ(popover->arrowDirection(), D::right);
    // The arrow's tip stops 6 px left of the anchor.
    EXPECT_EQ(popover->panel()->geometry().right() + 1, f.anchor->mapToGlobal(QPoint(0, 0)).x() - 6);
}

TEST(MVPopoverTest, OutsideClickClosesAndResetsTheFlagOneTurnLater) {
    Fixture f;
    QSignalSpy changes(f.modifier, &MVPopoverModyfier::visibleChanged);
    f.modifier->setVisible(true);
    MVPopover *popover = f.modifier->popover();
    ASSERT_TRUE(popover->isShown());

    // A click inside the panel keeps it.
    QTest::mouseClick(f.content, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(popover->isShown());

    QTest::mouseClick(&f.window, Qt::LeftButton, {}, QPoint(700, 500));
    EXPECT_FALSE(popover->isShown());
    EXPECT_TRUE(f.modifier->isVisible()); // not yet: one event-loop turn later
    QTRY_VERIFY(!f.modifier->isVisible());
    ASSERT_GE(changes.count(), 2);
    EXPECT_EQ(changes.last().at(0).toBool(), false);

    // Hidden: further clicks do nothing at all.
    const int closes = changes.count();
    QTest::mouseClick(&f.window, Qt::LeftButton, {}, QPoint(700, 500));
    QCoreApplication::processEvents();
    EXPECT_EQ(changes.count(), closes);
}

TEST(MVPopoverTest, SettingTheFlagTwiceChangesNothingAndPopoverDiesWithItsAnchor) {
    Fixture f;
    f.modifier->setVisible(true);
    QPointer<MVPopoverPanel> panel = f.modifier->popover()->panel();
    const QRect where = panel->geometry();
    f.modifier->setVisible(true);
    EXPECT_EQ(panel->geometry(), where);
    EXPECT_TRUE(panel->isVisible());

    delete f.anchor;
    EXPECT_TRUE(panel.isNull());
}

TEST(MVPopoverTest, TheOpenPanelStaysClearOfTheKeptOutArea) {
    Fixture f;
    MVPopover *popover = f.modifier->popover();
    const QRect anchor(f.anchor->mapToGlobal(QPoint(0, 0)), f.anchor->size());
    // An area just right of the anchor, where the panel would open.
    const QRect area(anchor.right() + 20, anchor.top() - 200, 300, 400);
    popover->setKeptOut(area);
    f.modifier->setVisible(true);
    ASSERT_TRUE(popover->isShown());
    EXPECT_EQ(popover->arrowDirection(), D::right);
    EXPECT_FALSE(popover->panel()->geometry().intersects(area)) << popover->panel()->geometry().x();
    EXPECT_EQ(popover->panel()->geometry().right() + 1, anchor.x() - 6);

    // Cleared, the next show is back on the preferred side.
    f.modifier->setVisible(false);
    popover->setKeptOut(QRect());
    f.modifier->setVisible(true);
    EXPECT_EQ(popover->arrowDirection(), D::left);
}
