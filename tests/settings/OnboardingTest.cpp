#include "settings/OnboardingSteps.h"
#include "settings/OnboardingView.h"

#include "app/state/SettingsModel.h"
#include "recording/VideoPlayerView.h"
#include "support/TempPreferences.h"
#include "tests/app/SandboxHome.h"
#include "uikit/MorvaneButton.h"

#include "platform/MoviePlayer.h"

#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

TEST(Onboarding, TitleAndMediaOfEveryStep) {
    struct Case {
        int step;
        const char *button;
        const char *media; // "" for the video
    } cases[] = {{0, "Next", ""},
                 {1, "Next", "onboarding-2"},
                 {2, "Next", "onboarding-3"},
                 {3, "Next", "onboarding-4"},
                 {4, "Got it", "onboarding-5"},
                 {-1, "Next", ""},
                 {7, "Got it", ""}};
    for (const Case &c : cases) {
        EXPECT_EQ(OnboardingView::buttonTitle(c.step, 5), QString::fromLatin1(c.button)) << c.step;
        EXPECT_EQ(OnboardingView::mediaName(c.step), QString::fromLatin1(c.media)) << c.step;
    }
}

TEST(Onboarding, TheButtonMovesOnAndTheLastOneEndsItForGood) {
    test::TempPreferences prefs;
    SettingsModel model(prefs.store());
    OnboardingView view(&model);
    EXPECT_EQ(view.shownStep(), 0);
    for (int step = 1; step <= 4; ++step) {
        view.buttonAction();
        EXPECT_EQ(model.onboardingStep(), step);
        EXPECT_EQ(view.shownStep(), step);
    }
    EXPECT_EQ(view.buttonTitle(), QStringLiteral("Got it"));
    EXPECT_FALSE(prefs.store().contains(QStringLiteral("needOnboarding")));
    view.buttonAction();
    EXPECT_EQ(prefs.store().boolValue(QStringLiteral("needOnboarding")), false);
    EXPECT_EQ(model.onboardingStep(), 4); // the counter stays

    // Any other writer of the step moves the view too.
    model.setOnboardingStep(2);
    EXPECT_EQ(view.shownStep(), 2);
    EXPECT_EQ(view.buttonTitle(), QStringLiteral("Next"));
}

// The last step closes the window that holds the view, whoever made that window.
TEST(Onboarding, TheLastStepClosesTheWindowThatHoldsIt) {
    test::TempPreferences prefs;
    SettingsModel model(prefs.store());
    model.setOnboardingStep(4);
    QWidget holder;
    auto *view = new OnboardingView(&model, &holder);
    holder.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&holder));
    view->buttonAction();
    EXPECT_FALSE(holder.isVisible());
    EXPECT_EQ(prefs.store().boolValue(QStringLiteral("needOnboarding")), false);
}

TEST(Onboarding, TheVideoIsCopiedOutOnceAndLoops) {
    const QString file = OnboardingView::videoFile();
    ASSERT_FALSE(file.isEmpty());
    EXPECT_TRUE(file.endsWith(QStringLiteral(".mp4")));
    EXPECT_EQ(OnboardingView::videoFile(), file);
    EXPECT_LT(QFileInfo(file).size(), 1024 * 1024);
}

TEST(StepperView, OneBlueDotAtTheCurrentStep) {
    StepperView dots(5);
    EXPECT_EQ(dots.sizeHint(), QSize(60, 4));
    for (int current : {0, 4, 9}) {
        dots.setCurrentStep(current);
        const QImage image = dots.grab().toImage();
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(image.pixelColor(i * 12 + 2, 2), StepperView::dotColor(i == current)) << current << " " << i;
    }
    EXPECT_EQ(StepperView(0).sizeHint(), QSize(0, 4));
}

TEST(VideoPlayerView, ShowsNothingUntilTheFirstPictureThenFillsItselfKeepingTheAspect) {
    MoviePlayer player;
    QWidget behind;
    behind.resize(260, 468);
    behind.setAutoFillBackground(true);
    QPalette palette = behind.palette();
    palette.setColor(QPalette::Window, QColor(10, 200, 30));
    behind.setPalette(palette);
    auto *view = new VideoPlayerView(&player, &behind);
    view->resize(260, 468);
    QSignalSpy ready(view, &VideoPlayerView::readyForDisplay);

    // Before a picture only what lies behind is seen.
    QImage shown = behind.grab().toImage();
    EXPECT_EQ(shown.pixelColor(130, 234), QColor(10, 200, 30));
    EXPECT_FALSE(view->isReadyForDisplay());

    // A picture twice as wide as the view's shape: it fills the height and is cut
    // left and right, centred. Its left half red, its right half blue.
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QPainter(&picture).fillRect(100, 0, 100, 100, Qt::blue);
    Q_EMIT player.pictureReady(picture, 0);
    EXPECT_EQ(ready.count(), 1);
    EXPECT_TRUE(view->isReadyForDisplay());
    shown = behind.grab().toImage();
    for (const QPoint at : {QPoint(1, 1), QPoint(120, 234), QPoint(1, 466)})
        EXPECT_EQ(shown.pixelColor(at), QColor(Qt::red)) << at.x() << "," << at.y();
    for (const QPoint at : {QPoint(258, 1), QPoint(140, 234), QPoint(258, 466)})
        EXPECT_EQ(shown.pixelColor(at), QColor(Qt::blue)) << at.x() << "," << at.y();

    Q_EMIT player.pictureReady(picture, 40'000);
    EXPECT_EQ(ready.count(), 1); // said once
    EXPECT_EQ(view->framesShown(), 2);
}

TEST(Onboarding, TheVideoPlaysOnlyWhileItsPageIsOnScreen) {
    test::TempPreferences prefs;
    SettingsModel model(prefs.store());
    OnboardingView view(&model);
    view.show();
    ASSERT_TRUE(view.player());
    auto *video = view.findChild<VideoPlayerView *>();
    ASSERT_TRUE(video);
    QSignalSpy ready(video, &VideoPlayerView::readyForDisplay);
    ASSERT_TRUE(ready.wait(5000));

    // Hidden (closed), the player goes with its thread; shown again, it plays again.
    view.hide();
    EXPECT_FALSE(view.player());
    view.show();
    ASSERT_TRUE(view.player());
    EXPECT_TRUE(view.player()->isPlaying());

    // A page with a picture has no player; back on the first page the video is back.
    model.setOnboardingStep(1);
    EXPECT_FALSE(view.player());
    model.setOnboardingStep(0);
    EXPECT_TRUE(view.player());
}
