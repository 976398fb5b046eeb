#include "annotation/DrawViewModel.h"
#include "annotation/DrawnFactory.h"
#include "capture/CaptureOutputs.h"
#include "support/TempPreferences.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace qn;

namespace {

// A capture without windows or grabs: a frozen picture per screen and a record of
// what the outputs asked of it.
class FakeCapture : public CaptureOutputs::Capture {
public:
    DrawViewModel &model() const override { return *m_model; }
    bool isOpen() const override { return open; }
    QImage snapshot(QScreen *screen) const override { return snapshots.value(screen); }
    QImage smallSnapshot(QScreen *) const override { return {}; }
    QWidget *overlayWindow(QScreen *screen) const override { return snapshots.contains(screen) ? &window : nullptr; }
    void finishEditing() override {}
    void closeOverlay(bool resetModel, bool clearState) override {
        closes.append({resetModel, clearState});
        open = false;
    }
    int generation() const override { return 1; }

    test::TempPreferences prefs;
    std::unique_ptr<DrawViewModel> m_model = std::make_unique<DrawViewModel>(prefs.store());
    QMap<QScreen *, QImage> snapshots;
    mutable QWidget window;
    bool open = true;
    QList<std::pair<bool, bool>> closes;
};

struct Action {
    const char *name;
    std::function<void(CaptureOutputs &)> run;
};

const QList<Action> kActions = {
    {"copy", [](CaptureOutputs &o) { o.copyAction(); }},
    {"copy as text", [](CaptureOutputs &o) { o.copyAsTextAction(); }},
    {"save", [](CaptureOutputs &o) { o.saveImageAction(); }},
    {"upload", [](CaptureOutputs &o) { o.uploadAction(); }},
};

class CaptureOutputsTest : public ::testing::Test {
protected:
    void SetUp() override {
        screen = QGuiApplication::primaryScreen();
        ASSERT_NE(screen, nullptr);
        QImage picture(200, 100, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        capture.snapshots.insert(screen, picture);
        capture.model().setCropScreen(screen);
    }

    FakeCapture capture;
    CaptureOutputs outputs{capture};
    QScreen *screen = nullptr;
};

} // namespace

// An output on a crop without pixels keeps the capture open, so the user can drag
// out another area; with nothing drawn yet the empty crop is forgotten.
TEST_F(CaptureOutputsTest, AnEmptyCropIsRefusedAndTheCaptureStaysOpen) {
    const struct {
        const char *what;
        QRectF crop;
    } crops[] = {
        {"no size", QRectF(50, 50, 0, 0)},
        {"a line", QRectF(50, 50, 80, 0)},
        {"beside the picture", QRectF(300, 20, 40, 40)},
    };
    for (const auto &c : crops) {
        for (const Action &action : kActions) {
            SCOPED_TRACE(std::string(c.what) + " / " + action.name);
            capture.open = true;
            capture.closes.clear();
            capture.model().setCropScreen(screen);
            capture.model().setCroppedArea(c.crop);
            action.run(outputs);
            EXPECT_TRUE(capture.open);
            EXPECT_TRUE(capture.closes.isEmpty());
            EXPECT_TRUE(capture.model().croppedArea().isEmpty());
            EXPECT_EQ(capture.model().cropScreen(), nullptr);
        }
    }
}

TEST_F(CaptureOutputsTest, AnEmptyCropWithDrawnObjectsKeepsThemAndItsPlace) {
    const QRectF crop(60, 40, 0, 0);
    capture.model().setCroppedArea(crop);
    const DrawnPtr drawn = DrawnFactory::makeTool(QPointF(10, 10), QPointF(40, 30), {}, Tool::Rectangle, true,
                                                std::nullopt, capture.model().color(), QRectF(0, 0, 200, 100));
    ASSERT_TRUE(drawn);
    capture.model().setDrawedTools({drawn});
    for (const Action &action : kActions) {
        SCOPED_TRACE(action.name);
        action.run(outputs);
        EXPECT_TRUE(capture.closes.isEmpty());
        EXPECT_EQ(capture.model().croppedArea(), crop);
        EXPECT_EQ(capture.model().cropScreen(), screen);
        EXPECT_EQ(capture.model().drawedTools().size(), 1);
    }
}

// Without a frozen picture of the crop screen there is nothing to give out: the
// capture closes and the editor state is reset, rather than staying open with no way on.
TEST_F(CaptureOutputsTest, WithoutAPictureOfTheCropScreenTheCaptureCloses) {
    capture.snapshots.clear();
    for (const Action &action : kActions) {
        SCOPED_TRACE(action.name);
        capture.open = true;
        capture.closes.clear();
        capture.model().setCropScreen(screen);
        capture.model().setCroppedArea(QRectF(10, 10, 50, 50));
        action.run(outputs);
        EXPECT_FALSE(capture.open);
        EXPECT_EQ(capture.closes, (QList<std::pair<bool, bool>>{{true, true}}));
    }
}
