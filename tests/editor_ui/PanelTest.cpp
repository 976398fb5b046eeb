#include "editor_ui/Panel.h"
#include "ChromeTestSupport.h"
#include "editor_ui/PanelBackground.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QPainterPath>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

TEST(PanelTest, FloatsWithoutFocusFrameOrShadow) {
    Panel panel(QRect(100, 120, 200, 60));
    EXPECT_EQ(panel.geometry(), QRect(100, 120, 200, 60));
    const Qt::WindowFlags flags = panel.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(flags.testFlag(Qt::NoDropShadowWindowHint));
    EXPECT_TRUE(panel.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_FALSE(panel.isVisible());
}

TEST(PanelTest, DraggedByItsBackground) {
    Panel panel(QRect(100, 120, 200, 60));
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(40, 30), panel.mapToGlobal(QPointF(40, 30)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&panel, &move);
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(panel.pos(), QPoint(130, 140));
}

TEST(PanelTest, CloseHidesAtOnceAndCompletesAfterTheDelay) {
    Panel panel(QRect(0, 0, 50, 50));
    panel.show();
    QElapsedTimer clock;
    clock.start();
    qint64 completedAfter = -1;
    panel.close([&] { completedAfter = clock.elapsed(); });
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(completedAfter, -1);
    QTRY_VERIFY(completedAfter >= 0);
    EXPECT_GE(completedAfter, Panel::kCloseDelayMs - 5);

    // No completion: closing does nothing else.
    panel.show();
    panel.close(std::function<void()>());
    EXPECT_FALSE(panel.isVisible());
}

TEST(PanelSlotTest, LetsTheClosedPanelGoButKeepsOneShownMeanwhile) {
    PanelSlot slot;
    auto *first = new Panel(QRect(0, 0, 10, 10));
    QPointer<Panel> firstAlive(first);
    slot.set(first);
    first->show();
    slot.close();
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(slot.panel(), first); // still held during the delay

    auto *second = new Panel(QRect(0, 0, 10, 10));
    slot.set(second);
    second->show();
    QTRY_VERIFY(firstAlive.isNull());
    // The late completion of the first close left the new panel in place.
    EXPECT_EQ(slot.panel(), second);
    EXPECT_TRUE(second->isVisible());

    slot.close();
    QTRY_VERIFY(slot.panel() == nullptr);
}

TEST(PanelSlotTest, APanelShownAgainInTheSlotSurvivesItsEarlierClose) {
    PanelSlot slot;
    auto *panel = new Panel(QRect(0, 0, 10, 10));
    QPointer<Panel> alive(panel);
    slot.set(panel);
    slot.close();
    slot.set(panel);
    panel->show();
    QTest::qWait(Panel::kCloseDelayMs + 100);
    EXPECT_FALSE(alive.isNull());
    EXPECT_EQ(slot.panel(), panel);
}

TEST(PanelBackgroundTest, TranslucentWithinAWindowOpaqueBehindIt) {
    for (bool dark : {false, true}) {
        for (BlendingMode mode : {BlendingMode::WithinWindow, BlendingMode::BehindWindow}) {
            QImage image(20, 20, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            QPainterPath shape;
            shape.addRect(0, 0, 20, 20);
            paintPanelBackground(painter, shape, mode, dark);
            painter.end();
            const QColor c = image.pixelColor(10, 10);
            if (mode == BlendingMode::BehindWindow)
                EXPECT_EQ(c.alpha(), 255);
            else
                EXPECT_LT(c.alpha(), 255);
            EXPECT_EQ(c.lightness() < 128, dark);
        }
    }
}

TEST(PanelBackgroundTest, PopoverBackgroundTakesPlainColoursWhenGiven) {
    const PopoverBackground plain =
        PopoverBackground::plain(QColor(QStringLiteral("#F6F6F6")), QColor(QStringLiteral("#313131")));
    for (bool dark : {false, true}) {
        QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QPainterPath shape;
        shape.addRect(0, 0, 10, 10);
        plain.paint(painter, shape, dark);
        painter.end();
        EXPECT_EQ(image.pixelColor(5, 5), dark ? QColor(0x31, 0x31, 0x31) : QColor(0xF6, 0xF6, 0xF6));
    }
}
