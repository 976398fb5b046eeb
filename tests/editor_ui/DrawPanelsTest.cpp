#include "editor_ui/DrawPanels.h"
#include "ChromeTestSupport.h"
#include "editor_ui/BottomMenu.h"
#include "editor_ui/ChromeState.h"
#include "editor_ui/ControlsMenu.h"
#include "editor_ui/DrawViewButton.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

namespace {

// Placement stand-ins: the column right of the crop, the bar under it.
QPointF besideRight(const QRectF &crop, const QRectF &) { return {crop.right() + 16, crop.bottom() - 375}; }
QPointF under(const QRectF &crop, const QRectF &) { return {crop.right() - 535, crop.bottom() + 16}; }

struct Panels {
    QWidget host;
    ChromeState state;
    test::FakeActions actions;
    DrawPanels *panels;

    explicit Panels(QSize size = {1200, 800}, DrawPanels::Placement bottom = under,
                    DrawPanels::Placement side = besideRight) {
        host.resize(size);
        host.show();
        test::parkPointer(&host);
        state.setTrackCursor(false); // left over from an earlier capture
        panels = new DrawPanels(&state, &actions, &host, bottom, side);
    }
    bool columnShown() const { return panels->controlsMenu()->isVisible(); }
    bool barShown() const { return panels->bottomMenu()->isVisible(); }
};

} // namespace

TEST(DrawPanelsTest, BarsExistOnlyWithACropAreaAndTheColumnNotWhileRecording) {
    Panels p;
    EXPECT_TRUE(p.state.trackCursor()); // a new capture starts tracking again
    EXPECT_FALSE(p.columnShown());
    EXPECT_FALSE(p.barShown());

    // A crop of zero size away from the origin still counts.
    p.state.setCroppedArea(QRectF(600, 450, 0, 0));
    EXPECT_TRUE(p.columnShown());
    EXPECT_TRUE(p.barShown());

    p.state.setCroppedArea(QRectF(600, 100, 300, 400));
    EXPECT_EQ(p.panels->controlsMenu()->pos(), QPoint(916, 125));
    EXPECT_EQ(p.panels->bottomMenu()->pos(), QPoint(365, 516));

    p.state.setIsRecording(true);
    EXPECT_FALSE(p.columnShown());
    EXPECT_TRUE(p.barShown());
    p.state.setIsRecording(false);
    EXPECT_TRUE(p.columnShown());

    // A moved crop moves both bars in the same pass.
    p.state.setCroppedArea(QRectF(500, 150, 300, 400));
    EXPECT_EQ(p.panels->controlsMenu()->pos(), QPoint(816, 175));
    EXPECT_EQ(p.panels->bottomMenu()->pos(), QPoint(265, 566));

    p.state.setCroppedArea(QRectF());
    EXPECT_FALSE(p.columnShown());
    EXPECT_FALSE(p.barShown());
}

TEST(DrawPanelsTest, HelpOpensTowardsFreeSpace) {
    struct Case {
        QSize host;
        Qt::Alignment column, bar;
    };
    // Column at x = 100, bar top at y = 500 (placements fixed below).
    const Case cases[] = {
        {{420, 700}, Qt::AlignRight, Qt::AlignBottom}, // 420 = 100 + 48 + 270 + 2; 700 > 598
        {{418, 598}, Qt::AlignLeft, Qt::AlignTop},     // equality opens the other way
        {{419, 599}, Qt::AlignRight, Qt::AlignBottom},
    };
    for (const Case &c : cases) {
        Panels p(
            c.host, [](const QRectF &, const QRectF &) { return QPointF(10, 500); },
            [](const QRectF &, const QRectF &) { return QPointF(100, 20); });
        p.state.setCroppedArea(QRectF(10, 10, 50, 50));
        EXPECT_EQ(p.panels->controlsMenu()->helpAligmnet(), c.column) << c.host.width();
        EXPECT_EQ(p.panels->bottomMenu()->helpAligmnet(), c.bar) << c.host.height();
    }
}

TEST(DrawPanelsTest, CursorTrackingIsOffOnlyWhileThePointerIsOverABar) {
    Panels p;
    p.state.setCroppedArea(QRectF(600, 100, 300, 400));
    test::hover(p.panels->bottomMenu(), true);
    EXPECT_FALSE(p.state.trackCursor());
    test::hover(p.panels->bottomMenu(), false);
    EXPECT_TRUE(p.state.trackCursor());

    test::hover(p.panels->controlsMenu(), true);
    EXPECT_FALSE(p.state.trackCursor());
    // The column goes away under the pointer (a recording starts): tracking resumes.
    p.state.setIsRecording(true);
    EXPECT_TRUE(p.state.trackCursor());

    test::hover(p.panels->bottomMenu(), true);
    EXPECT_FALSE(p.state.trackCursor());
    p.state.setCroppedArea(QRectF()); // the bar disappears under the pointer
    EXPECT_TRUE(p.state.trackCursor());

    p.state.setIsRecording(false);
    p.state.setCroppedArea(QRectF(600, 100, 300, 400));
    test::hover(p.panels->controlsMenu(), true);
    delete p.panels; // the capture closes under the pointer
    EXPECT_TRUE(p.state.trackCursor());
    ControlsMenu::Helper::shared().cancel();
    BottomMenu::Helper::shared().work.cancel();
}

TEST(DrawPanelsTest, FollowsTheHostsSize) {
    Panels p({1200, 800}, under, [](const QRectF &, const QRectF &bounds) { return QPointF(bounds.right() - 64, 16); });
    p.state.setCroppedArea(QRectF(100, 100, 200, 200));
    EXPECT_EQ(p.panels->controlsMenu()->x(), 1136);
    p.host.resize(1000, 800);
    EXPECT_EQ(p.panels->controlsMenu()->x(), 936);
}
