#include "capture/OverlayChrome.h"
#include "annotation/DrawViewModel.h"
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "app/state/SettingsModel.h"
#include "capture/DrawView.h"
#include "editor_ui/BottomMenu.h"
#include "editor_ui/ChromeState.h"
#include "editor_ui/ControlsMenu.h"
#include "editor_ui/DrawPanels.h"
#include "uikit/ColorScheme.h"

#include "capture/DrawCore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace qn;

namespace {
// The shared models keep their preferences in the test area, not the user's.
const bool kTestPaths = (QStandardPaths::setTestModeEnabled(true), true);

DrawViewModel &model() { return *Models::shared().drawViewModel(); }

struct OverlayChromeTest : ::testing::Test {
    void SetUp() override {
        model().reset();
        model().setCropScreen(nullptr);
        model().setCroppedArea(QRectF());
        Models::shared().recordModel()->setIsRecording(false);
        view = std::make_unique<DrawView>(DrawCore::shared(), QGuiApplication::primaryScreen());
        view->resize(1920, 1080);
        chrome = view->findChild<OverlayChrome *>();
        ASSERT_NE(chrome, nullptr);
    }
    void TearDown() override {
        view.reset();
        model().setCropScreen(nullptr);
        model().setCroppedArea(QRectF());
        Models::shared().settingsModel()->setAppearance(Appearance::None);
    }
    std::unique_ptr<DrawView> view;
    OverlayChrome *chrome = nullptr;
};
} // namespace

TEST_F(OverlayChromeTest, ChromeSeesTheCropOnlyOnTheCropScreenAndTheColumnOnlyWithoutARecording) {
    ASSERT_TRUE(kTestPaths);
    view->show();
    const QRectF crop(600, 300, 400, 400);
    model().setCroppedArea(crop);
    // No crop screen yet: this overlay shows nothing.
    EXPECT_EQ(chrome->state()->croppedArea(), QRectF());
    EXPECT_FALSE(chrome->panels()->bottomMenu()->isVisible());

    model().setCropScreen(QGuiApplication::primaryScreen());
    EXPECT_EQ(chrome->state()->croppedArea(), crop);
    EXPECT_TRUE(chrome->panels()->bottomMenu()->isVisible());
    EXPECT_TRUE(chrome->panels()->controlsMenu()->isVisible());
    EXPECT_EQ(chrome->panels()->bottomMenu()->pos(), QPoint(465, 716));

    Models::shared().recordModel()->setIsRecording(true);
    EXPECT_TRUE(chrome->state()->isRecording());
    EXPECT_FALSE(chrome->panels()->controlsMenu()->isVisible());
    Models::shared().recordModel()->setIsRecording(false);
    EXPECT_TRUE(chrome->panels()->controlsMenu()->isVisible());
}

TEST_F(OverlayChromeTest, CursorTrackingComesBackWhenTheChromeGoesWithThePointerOnABar) {
    model().setCropScreen(QGuiApplication::primaryScreen());
    model().setCroppedArea(QRectF(600, 300, 400, 400));
    chrome->state()->setTrackCursor(false);
    EXPECT_FALSE(model().trackCursor());
    view.reset();
    EXPECT_TRUE(model().trackCursor());
}

TEST_F(OverlayChromeTest, BarsTakeTheAppearanceTheCaptureOpenedWith) {
    SettingsModel *settings = Models::shared().settingsModel();
    for (const auto &[appearance, scheme] :
         {std::pair{Appearance::Dark, ColorScheme::Dark}, std::pair{Appearance::Light, ColorScheme::Light}}) {
        settings->setAppearance(appearance);
        Q_EMIT DrawCore::shared().overlayOpened();
        EXPECT_EQ(environmentColorScheme(chrome->panels()->bottomMenu()), scheme);
        EXPECT_EQ(environmentColorScheme(chrome->panels()->controlsMenu()), scheme);
        // Changed while the capture is open: the bars stay as they were.
        settings->setAppearance(appearance == Appearance::Dark ? Appearance::Light : Appearance::Dark);
        EXPECT_EQ(environmentColorScheme(chrome->panels()->bottomMenu()), scheme);
        EXPECT_EQ(environmentColorScheme(chrome->panels()->controlsMenu()), scheme);
    }
}

TEST_F(OverlayChromeTest, DimmingOutsideTheCropFadesBetweenItsTwoLevels) {
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    model().setCropScreen(QGuiApplication::primaryScreen());
    model().setCroppedAreaDrawing(true);
    model().setTempCroppedArea(QRectF(100, 100, 200, 200));
    view->repaint();
    // The first crop of a capture shows its light dimming at once.
    EXPECT_DOUBLE_EQ(view->outsideDim(), 0.2);
    EXPECT_FALSE(view->dimFading());

    model().setCroppedArea(QRectF(100, 100, 200, 200));
    model().setCroppedAreaDrawing(false);
    EXPECT_TRUE(view->dimFading());
    EXPECT_LT(view->outsideDim(), 0.7);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view->dimFading(); }, 2000));
    EXPECT_DOUBLE_EQ(view->outsideDim(), 0.7);

    // A recording shows the screen lightly dimmed again, also fading.
    Models::shared().recordModel()->setIsRecording(true);
    EXPECT_TRUE(view->dimFading());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view->dimFading(); }, 2000));
    EXPECT_DOUBLE_EQ(view->outsideDim(), 0.2);
    Models::shared().recordModel()->setIsRecording(false);
    model().setCroppedAreaDrawing(false);
}

// A tool chosen anywhere shows its own cursor at once: the overlay controller follows
// the editor state's tool, also a tool chosen again after the cursor moved on.
TEST(DrawCoreCursor, TheChosenToolsCursorIsShownAtOnce) {
    DrawCore &core = DrawCore::shared();
    DrawViewModel &m = model();
    m.reset();
    for (const Tool tool : {Tool::Pen, Tool::Text, Tool::Pointer, Tool::Pen}) {
        m.setCursor(QCursor(Qt::WaitCursor));
        m.setTool(tool);
        const QCursor expected = core.toolCursor();
        EXPECT_EQ(m.cursor().shape(), expected.shape()) << int(tool);
        EXPECT_EQ(m.cursor().hotSpot(), expected.hotSpot()) << int(tool);
        EXPECT_NE(m.cursor().shape(), Qt::WaitCursor) << int(tool);
    }
    m.reset();
}
