#include "capture/StreamWindowHost.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace qn;

namespace {
const QRect kScreen(0, 0, 1920, 1080);
}

// What of the overlay stays visible for each hole, and that Qt keeps every non-empty
// answer as a mask (an empty one would mean the whole overlay).
TEST(OverlayMaskTest, TheHoleShowsTheDesktopAndOnlyTheKeptPartsOfTheOverlayStay) {
    const QRect bar(1369, 1016, 535, 48);
    const QRect card(878, 481, 164, 118);
    struct Case {
        const char *name;
        QRect hole;
        QRect card;
        QList<QRect> chrome;
        QRegion visible;  // the part of the screen the overlay still covers
    };
    const Case cases[] = {
        {"part of the screen", QRect(300, 200, 400, 300), {}, {},
         QRegion(kScreen).subtracted(QRegion(300, 200, 400, 300))},
        {"a pixel in from every edge", QRect(1, 1, 1918, 1078), {}, {},
         QRegion(kScreen).subtracted(QRegion(1, 1, 1918, 1078))},
        {"the whole screen, recording", kScreen, {}, {}, QRegion()},
        {"the whole screen, card shown", kScreen, card, {}, QRegion(card)},
        {"the whole screen, paused with the bar", kScreen, {}, {bar}, QRegion(bar)},
        {"larger than the screen", QRect(-5, -5, 1930, 1090), {}, {}, QRegion()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QRegion mask = StreamWindowHost::overlayMask(kScreen, c.hole, c.card, c.chrome);
        ASSERT_FALSE(mask.isEmpty());
        EXPECT_EQ(mask.intersected(kScreen), c.visible);

        QWidget overlay;
        overlay.setGeometry(kScreen);
        overlay.setMask(mask);
        EXPECT_FALSE(overlay.mask().isEmpty());
        EXPECT_EQ(overlay.mask().intersected(kScreen), c.visible);
    }
    // Without a hole the overlay is whole: no mask.
    EXPECT_TRUE(StreamWindowHost::overlayMask(kScreen, QRect(), card, {bar}).isEmpty());
}
