#include "settings/OnboardingSteps.h"
#include "settings/OnboardingView.h"

#include "app/state/SettingsModel.h"
#include "recording/VideoPlayerView.h"
#include "support/TempPreferences.h"
#include "tests/app/SandboxHome.h"
#include "uikit/MorvaneButton.h"

#include <QImage>
#include <QMediaPlayer>
#include <QSignalSpy>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>
#include <gtest/gtest.h>

using namespace qn;

TEST(Onboarding, TitleAndMediaOfEveryStep) {
    struct Case {
        int step;
        const char *button;
        const char *media; // "" for the video
    } cases[] = {{0, "Next", ""},           {1, "Next", "onboarding-2"}, {2, "Next", "onboarding-3"},
                 {3, "Next", "onboarding-4"}, {4, "Got it", "onboarding-5"}, {-1, "Next", ""},
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

TEST(VideoPlayerView, StaysHiddenUntilTheFirstFrame) {
    QMediaPlayer player;
    VideoPlayerView view(&player);
    view.resize(260, 468);
    view.show();
    auto *video = view.findChild<QVideoWidget *>();
    ASSERT_TRUE(video);
    EXPECT_FALSE(video->isVisible());
    QSignalSpy ready(&view, &VideoPlayerView::readyForDisplay);
    video->videoSink()->setVideoFrame(QVideoFrame());
    EXPECT_EQ(ready.count(), 0); // an empty frame is nothing to show
    const QVideoFrame picture(QVideoFrameFormat(QSize(16, 16), QVideoFrameFormat::Format_BGRA8888));
    ASSERT_TRUE(picture.isValid());
    video->videoSink()->setVideoFrame(picture);
    EXPECT_EQ(ready.count(), 1);
    EXPECT_TRUE(video->isVisible());
    EXPECT_TRUE(view.isReadyForDisplay());
    video->videoSink()->setVideoFrame(QVideoFrame(QVideoFrameFormat(QSize(16, 16), QVideoFrameFormat::Format_BGRA8888)));
    EXPECT_EQ(ready.count(), 1);
    EXPECT_EQ(view.framesShown(), 2);
}
