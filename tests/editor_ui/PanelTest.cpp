#include "editor_ui/Panel.h"
#include "ChromeTestSupport.h"
#include "editor_ui/BottomMenu.h"
#include "editor_ui/ChromeState.h"
#include "editor_ui/ChromeStyle.h"
#include "editor_ui/ControlsMenu.h"
#include "editor_ui/PanelBackground.h"
#include "uikit/BlurredBackdrop.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QPainterPath>
#include <QSignalSpy>
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

namespace {

// A window that paints a busy still picture, as the overlay paints its frozen screen,
// and keeps the panels' blur of it.
class PictureHost : public QWidget {
public:
    explicit PictureHost(bool dark) : picture(800, 600, QImage::Format_RGB32) {
        picture.fill(Qt::white);
        QPainter p(&picture);
        QFont font;
        font.setPixelSize(13);
        p.setFont(font);
        for (int y = 14; y < 600; y += 17)
            p.drawText(2, y, QStringLiteral("Ticket 4711 was closed on Monday at 10:42 by Kim. ").repeated(4));
        p.setPen(QPen(Qt::black, 2));
        for (int x = 0; x < 800; x += 40)
            p.drawLine(x, 0, x + 90, 600);
        p.end();
        setGeometry(0, 0, 800, 600);
        setPalette(test::schemePalette(dark));
        backdrop = new BlurredBackdrop(this, [this] { return picture; });
        BlurredBackdrop::attach(this, backdrop);
    }
    QImage picture;
    BlurredBackdrop *backdrop;

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).drawImage(0, 0, picture); }
};

double edgeEnergy(const QImage &image, const QRect &area) {
    double sum = 0;
    int count = 0;
    for (int y = area.top(); y < area.bottom(); ++y)
        for (int x = area.left(); x < area.right(); ++x) {
            const int here = qGray(image.pixel(x, y));
            sum += std::abs(here - qGray(image.pixel(x + 1, y))) + std::abs(here - qGray(image.pixel(x, y + 1)));
            ++count;
        }
    return count ? sum / count : 0;
}

} // namespace

TEST(PanelBackgroundTest, BarsOverAPictureShowNothingLegibleOfIt) {
    for (bool dark : {false, true}) {
        PictureHost host(dark);
        ChromeState state;
        test::FakeActions actions;
        auto *column = new ControlsMenu(&state, &actions, Qt::AlignRight, &host);
        column->move(500, 100);
        auto *bar = new BottomMenu(&state, &actions, Qt::AlignLeft, &host);
        bar->move(100, 500);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        test::parkPointer(&host);
        // The strips along the bars' edges hold no buttons: only the background (the
        // column's left edge has the popover marks).
        const QRect strips[] = {QRect(column->pos() + QPoint(43, 10), QSize(4, 350)),
                                QRect(bar->pos() + QPoint(10, 1), QSize(500, 4))};

        // Until the blur is ready the bars are opaque: nothing of the picture at all.
        QImage shown = host.grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (!host.backdrop->isReady()) {
            for (const QRect &strip : strips)
                EXPECT_LT(edgeEnergy(shown, strip), 0.1) << dark;
        }
        if (!host.backdrop->isReady()) {
            QSignalSpy ready(host.backdrop, &BlurredBackdrop::ready);
            ASSERT_TRUE(ready.wait(5000));
        }
        shown = host.grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (const QRect &strip : strips) {
            const double behind = edgeEnergy(host.picture, strip), seen = edgeEnergy(shown, strip);
            EXPECT_GT(behind, 10) << "the picture is not busy there";
            // A translucent fill alone leaves about a sixth of the contrast: legible.
            EXPECT_LT(seen, behind * 0.01) << (dark ? "dark " : "light ") << behind << " -> " << seen;
            const QColor c = shown.pixelColor(strip.center());
            EXPECT_EQ(c.lightness() < 128, dark) << c.name().toStdString();
        }
    }
}

TEST(PanelBackgroundTest, WithoutABlurBehindStaysAFill) {
    // A panel in a window that keeps no picture is the plain material, as before.
    QWidget window;
    window.resize(100, 100);
    auto *panel = new PanelBackground(BlendingMode::WithinWindow, &window);
    panel->setGeometry(10, 10, 50, 50);
    QImage image(panel->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    panel->render(&image);
    EXPECT_EQ(image.pixelColor(25, 25).alpha(), chrome::fullScreenUIMaterial(false).alpha());
}
