#include "recording/VideoRecorderView.h"
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "editor_ui/DrawViewButton.h"
#include "editor_ui/EditorIcons.h"
#include "recording/ToolsPaletteRecorder.h"
#include "uikit/Color.h"
#include "uikit/MorvaneButton.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

using namespace qn;

namespace {

// A bar over a recording state of its own, with a recorder that only notes what it is asked.
struct Bar {
    RecordModel model;
    QStringList calls;
    std::unique_ptr<VideoRecorderView> view;

    Bar() {
        VideoRecorderView::Recorder r;
        r.startRecording = [this] { calls << "start"; };
        r.pause = [this] { calls << "pause"; };
        r.playStartSound = [this] { calls << "sound"; };
        r.startCameraSession = [this] {
            calls << "camera";
            return true;
        };
        r.startMicrophoneSession = [this] {
            calls << "microphone";
            return true;
        };
        r.stopMicrophoneSession = [this] { calls << "stopMicrophone"; };
        r.stopCameraSession = [this] { calls << "stopCamera"; };
        view = std::make_unique<VideoRecorderView>(&model, nullptr, r);
        QObject::connect(view.get(), &VideoRecorderView::recordingAboutToStart, [this] { calls << "aboutToStart"; });
    }
};

} // namespace

TEST(VideoRecorderViewTest, TimeAndHourBadgeTexts) {
    struct Case {
        double seconds;
        const char *time;
        const char *badge;
    };
    const Case cases[] = {
        {0, "00:00", "0h"},
        {59.99, "00:59", "0h"},
        {60, "01:00", "0h"},
        {3599.9, "59:59", "0h"},
        {3600, "00:00", "1h"},
        {3725.9, "02:05", "1h"},
        {36000, "00:00", "10h"},
        {-3, "00:00", "0h"},
        // Not a number or infinite: nothing recorded yet, never garbage.
        {std::numeric_limits<double>::quiet_NaN(), "00:00", "0h"},
        {std::numeric_limits<double>::infinity(), "00:00", "0h"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(VideoRecorderView::timeText(c.seconds), QLatin1String(c.time)) << c.seconds;
        EXPECT_EQ(VideoRecorderView::hourBadgeText(c.seconds), QLatin1String(c.badge)) << c.seconds;
    }
}

TEST(VideoRecorderViewTest, StatesTitlesAndColours) {
    struct Case {
        bool recording, paused;
        RecorderState state;
        const char *title;
        const char *card, *ink;
    };
    const Case cases[] = {
        {false, false, RecorderState::Idle, "Record Video", "#282828", "#505050"},
        {true, false, RecorderState::Recording, "Stop / Pause", "#6a7c59", "#1e2d0b"},
        {true, true, RecorderState::Paused, "Resume", "#b7b7b7", "#505050"},
        // A pause flag left without a recording reads "Resume" but looks idle.
        {false, true, RecorderState::Idle, "Resume", "#282828", "#505050"},
    };
    for (const Case &c : cases) {
        const RecorderState s = recorderState(c.recording, c.paused);
        EXPECT_EQ(s, c.state);
        EXPECT_EQ(VideoRecorderView::recordTitle(c.recording, c.paused), QLatin1String(c.title));
        EXPECT_EQ(VideoRecorderView::cardColor(s).name(), QLatin1String(c.card));
        EXPECT_EQ(VideoRecorderView::cardInk(s).name(), QLatin1String(c.ink));
    }
}

namespace {
double luminance(QColor c) {
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
double contrast(QColor a, QColor b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
} // namespace

// The time is large text: it needs 3:1 against the card in every state, and the bar
// drawn in dark, idle, shows its digits at that contrast, not only in its colour table.
TEST(VideoRecorderViewTest, TimeDigitsReadOnTheCard) {
    for (RecorderState s : {RecorderState::Idle, RecorderState::Recording, RecorderState::Paused})
        EXPECT_GE(contrast(VideoRecorderView::timeInk(s), VideoRecorderView::cardColor(s)), 3.0) << int(s);

    Bar bar;
    setPreferredColorScheme(bar.view.get(), ColorScheme::Dark);
    ASSERT_EQ(bar.view->effectiveColorScheme(), ColorScheme::Dark);
    const QImage shot = bar.view->grab().toImage();
    const QRect time = VideoRecorderView::cardLayout().time.toRect().intersected(shot.rect());
    const QColor card = VideoRecorderView::cardColor(RecorderState::Idle);
    double best = 1;
    for (int y = time.top(); y <= time.bottom(); ++y)
        for (int x = time.left(); x <= time.right(); ++x)
            best = std::max(best, contrast(shot.pixelColor(x, y), card));
    EXPECT_GE(best, 3.0) << "the thin digits never reach a readable colour";
}

// The hour badge sits over the record graphic's top: its waveform keeps clear of the
// badge in every frame, and the microphone meter lies below both.
TEST(VideoRecorderViewTest, HourBadgeStandsClearOfTheWaveformAndTheMeter) {
    const VideoRecorderView::CardLayout l = VideoRecorderView::cardLayout();
    EXPECT_FALSE(l.badge.intersects(l.meter));
    EXPECT_FALSE(l.graphic.intersects(l.meter));
    EXPECT_GE(l.meter.top(), l.badge.bottom());
    const QRect quiet = l.badge.adjusted(-6, -6, 6, 6).toAlignedRect();
    for (int frame = 1; frame <= 3; ++frame) {
        QImage ink(VideoRecorderView::kWidth, VideoRecorderView::kHeight, QImage::Format_ARGB32_Premultiplied);
        ink.fill(Qt::transparent);
        QPainter p(&ink);
        paintEditorIcon(p, QStringLiteral("lines-%1@recorder").arg(frame), l.graphic, Qt::black);
        p.end();
        for (int y = quiet.top(); y <= quiet.bottom(); ++y)
            for (int x = quiet.left(); x <= quiet.right(); ++x)
                ASSERT_EQ(qAlpha(ink.pixel(x, y)), 0) << "frame " << frame << " at " << x << "," << y;
    }
}

TEST(VideoRecorderViewTest, FeatureIconColours) {
    struct Case {
        RecorderState state;
        bool active;
        const char *color;
        double alpha;
    };
    const Case cases[] = {
        {RecorderState::Paused, true, "#616161", 1.0},    {RecorderState::Paused, false, "#616161", 0.2},
        {RecorderState::Recording, true, "#1e2d0b", 1.0}, {RecorderState::Recording, false, "#1e2d0b", 0.2},
        {RecorderState::Idle, true, "#609aac", 1.0},      {RecorderState::Idle, false, "#616161", 1.0},
    };
    for (const Case &c : cases) {
        const QColor color = VideoRecorderView::featureIconColor(c.state, c.active);
        EXPECT_EQ(color.name(), QLatin1String(c.color));
        EXPECT_NEAR(color.alphaF(), c.alpha, 0.01);
    }
}

TEST(VideoRecorderViewTest, MuteButtonImages) {
    struct Case {
        bool enabled, muted;
        ColorScheme scheme;
        const char *image;
        const char *color;
    };
    const Case cases[] = {
        {false, false, ColorScheme::Light, "microphone-mute@recorder", "#282828"},
        {false, true, ColorScheme::Dark, "microphone-mute@recorder", "#b7b7b7"},
        {true, true, ColorScheme::Light, "microphone-mute@recorder", "#d70202"},
        {true, true, ColorScheme::Dark, "microphone-mute@recorder", "#d70202"},
        {true, false, ColorScheme::Dark, "microphone@recorder", "#b7b7b7"},
    };
    for (const Case &c : cases) {
        const auto [image, color] =
            VideoRecorderView::muteButtonImage(QStringLiteral("microphone"), c.enabled, c.muted, c.scheme);
        EXPECT_EQ(image, QLatin1String(c.image));
        EXPECT_EQ(color.name(), QLatin1String(c.color));
    }
}

TEST(VideoRecorderViewTest, RecordGraphicAnimation) {
    using S = RecorderState;
    // Recording alternates frames 1 and 2; paused blinks frame 3; idle rests on frame 1.
    EXPECT_EQ(VideoRecorderView::animationStep(S::Recording, 1, 0.2), std::make_pair(2, 1.0));
    EXPECT_EQ(VideoRecorderView::animationStep(S::Recording, 2, 1.0), std::make_pair(1, 1.0));
    EXPECT_EQ(VideoRecorderView::animationStep(S::Paused, 1, 1.0), std::make_pair(3, 0.2));
    EXPECT_EQ(VideoRecorderView::animationStep(S::Paused, 3, 0.2), std::make_pair(3, 1.0));
    EXPECT_EQ(VideoRecorderView::animationStep(S::Idle, 3, 0.2), std::make_pair(1, 1.0));
}

TEST(VideoRecorderViewTest, RecordButtonStartsPausesAndResumes) {
    Bar bar;
    bar.view->recordAction();
    // Whatever makes way for the recording hears of it before the recorder starts.
    EXPECT_EQ(bar.calls, (QStringList{"aboutToStart", "start"}));
    // The bar keeps its idle look until the recorder says it records.
    EXPECT_EQ(bar.view->recordButton()->text(), QStringLiteral("Record Video"));
    bar.model.setIsRecording(true);
    EXPECT_EQ(bar.view->recordButton()->text(), QStringLiteral("Stop / Pause"));

    bar.calls.clear();
    bar.view->recordAction();
    EXPECT_EQ(bar.calls, QStringList{"pause"});
    bar.model.setIsPaused(true);
    EXPECT_EQ(bar.view->recordButton()->text(), QStringLiteral("Resume"));

    bar.calls.clear();
    QSignalSpy paused(&bar.model, &RecordModel::isPausedChanged);
    bar.view->recordAction();
    EXPECT_EQ(bar.calls, QStringList{"sound"});
    EXPECT_EQ(paused.count(), 1);
    EXPECT_FALSE(bar.model.isPaused());
    EXPECT_EQ(bar.view->recordButton()->text(), QStringLiteral("Stop / Pause"));
}

TEST(VideoRecorderViewTest, ButtonsFollowTheState) {
    Bar bar;
    // Idle: no drawing, pointer active, mute buttons off with their devices.
    EXPECT_FALSE(bar.view->pencilButton()->isEnabled());
    EXPECT_TRUE(bar.view->pointerButton()->isActive());
    EXPECT_FALSE(bar.view->microphoneButton()->isEnabled());
    EXPECT_FALSE(bar.view->cameraButton()->isEnabled());

    bar.model.setMicrophoneEnabled(true);
    bar.model.setCameraEnabled(true);
    EXPECT_TRUE(bar.view->microphoneButton()->isEnabled());
    EXPECT_TRUE(bar.view->cameraButton()->isEnabled());

    QTest::mouseClick(bar.view->microphoneButton(), Qt::LeftButton);
    EXPECT_TRUE(bar.model.muteMicrophone());
    QTest::mouseClick(bar.view->microphoneButton(), Qt::LeftButton);
    EXPECT_FALSE(bar.model.muteMicrophone());
    QTest::mouseClick(bar.view->cameraButton(), Qt::LeftButton);
    EXPECT_TRUE(bar.model.muteCamera());

    // A disabled pencil takes no clicks; recording enables it.
    QTest::mouseClick(bar.view->pencilButton(), Qt::LeftButton);
    EXPECT_FALSE(bar.model.drawingMode());
    bar.model.setIsRecording(true);
    QTest::mouseClick(bar.view->pencilButton(), Qt::LeftButton);
    EXPECT_TRUE(bar.model.drawingMode());
    EXPECT_TRUE(bar.view->pencilButton()->isActive());
    EXPECT_FALSE(bar.view->pointerButton()->isActive());
    QTest::mouseClick(bar.view->pointerButton(), Qt::LeftButton);
    EXPECT_FALSE(bar.model.drawingMode());
}

TEST(VideoRecorderViewTest, ToolsOpenOnHoverOnlyWhileRecording) {
    Bar bar;
    bar.view->show();
    bar.view->openToolsOnHover(true);
    EXPECT_FALSE(bar.view->showTools());
    bar.model.setIsRecording(true);
    bar.view->openToolsOnHover(false);
    EXPECT_TRUE(bar.view->showTools());
}

TEST(VideoRecorderViewTest, CaptureSessionsComeAndGoWithTheBar) {
    Bar bar;
    bar.model.setCameraEnabled(true);
    bar.model.setCameraStreaming(true);
    bar.view->show();
    EXPECT_EQ(bar.calls, QStringList{"camera"});
    bar.calls.clear();
    bar.view->hide();
    EXPECT_EQ(bar.calls, (QStringList{"stopMicrophone", "stopCamera"}));
    EXPECT_FALSE(bar.model.cameraStreaming());
}

TEST(VideoRecorderViewTest, PaletteChoosesTheRecordingTool) {
    RecordModel model;
    ToolsPaletteRecorder palette(&model);
    EXPECT_TRUE(palette.button(Tool::Pen)->isActive());
    QTest::mouseClick(palette.button(Tool::Oval), Qt::LeftButton);
    EXPECT_EQ(model.tool(), Tool::Oval);
    EXPECT_TRUE(palette.button(Tool::Oval)->isActive());
    EXPECT_FALSE(palette.button(Tool::Pen)->isActive());
    // A tool the palette does not offer leaves every button inactive.
    model.setTool(Tool::Line);
    for (Tool t : ToolsPaletteRecorder::tools())
        EXPECT_FALSE(palette.button(t)->isActive());
    EXPECT_EQ(palette.size(), QSize(48, 156));
}

TEST(VideoRecorderViewTest, ThePaletteOpensClearOfTheRecordedArea) {
    // A bar standing just right of the recorded area, as it does beside a crop.
    const auto openBeside = [](const std::optional<QRect> &recorded) {
        auto bar = std::make_unique<Bar>();
        bar->view->move(400, 200);
        bar->view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(bar->view.get()));
        const QRect frame(bar->view->mapToGlobal(QPoint(0, 0)), bar->view->size());
        if (recorded)
            bar->view->setRecordedArea(recorded->translated(frame.left() - 16 - recorded->width(), frame.top()));
        bar->model.setIsRecording(true);
        bar->view->openToolsOnHover(true);
        return std::make_pair(std::move(bar), frame);
    };

    // Nothing recorded: the palette opens on the bar's left, past its edge.
    {
        const auto [bar, frame] = openBeside(std::nullopt);
        const QWidget *panel = bar->view->toolsPalette()->window();
        ASSERT_TRUE(panel->isVisible());
        EXPECT_LT(panel->geometry().left(), frame.left());
    }
    // The recorded area 16 px left of the bar: the palette turns into the bar's side.
    {
        const auto [bar, frame] = openBeside(QRect(0, -200, 300, 800));
        const QWidget *panel = bar->view->toolsPalette()->window();
        ASSERT_TRUE(panel->isVisible());
        EXPECT_FALSE(panel->geometry().intersects(bar->view->recordedArea()))
            << panel->geometry().x() << "," << panel->geometry().y();
        EXPECT_GE(panel->geometry().left(), frame.left());
    }
}
