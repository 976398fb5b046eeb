#include "capture/RecordingPassThrough.h"
#include "app/state/RecordModel.h"

#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

using namespace qn;

// While recording the overlay lets the mouse through; while paused it takes the
// mouse at once. Every assignment counts, also of an unchanged value.
TEST(RecordingPassThrough, PauseHandsTheMouseBackToTheOverlay) {
    QWidget overlay;
    overlay.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&overlay));
    QList<bool> ignores;
    RecordModel m;
    RecordingPassThrough through(
        &m, [&overlay] { return &overlay; },
        [&](QWidget *w, bool ignore) {
            EXPECT_EQ(w, &overlay);
            ignores.append(ignore);
        });
    m.setIsPaused(true);
    m.setIsPaused(false);
    m.setIsPaused(false);
    EXPECT_EQ(ignores, (QList<bool>{false, true, true}));
}

TEST(RecordingPassThrough, DefaultPolicySwitchesTheWindowInputRegion) {
    QWidget overlay;
    overlay.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&overlay));
    RecordModel m;
    RecordingPassThrough through(&m, [&overlay] { return &overlay; });
    m.setIsPaused(false);
    EXPECT_TRUE(overlay.windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
    m.setIsPaused(true);
    EXPECT_FALSE(overlay.windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
}

// An overlay that closes before the delayed "make key" runs is not touched.
TEST(RecordingPassThrough, AnOverlayGoneBeforeTheDelayIsLeftAlone) {
    auto overlay = std::make_unique<QWidget>();
    overlay->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(overlay.get()));
    RecordModel m;
    int lookups = 0;
    RecordingPassThrough through(&m, [&] {
        ++lookups;
        return overlay.get();
    });
    m.setIsPaused(false);
    overlay.reset();
    QTRY_COMPARE_WITH_TIMEOUT(lookups, 2, RecordingPassThrough::kMakeKeyDelayMs * 10);
    m.setIsPaused(true);
    EXPECT_EQ(lookups, 3);
}
