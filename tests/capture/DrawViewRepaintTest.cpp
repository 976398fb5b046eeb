#include "annotation/DrawViewModel.h"
#include "app/state/Models.h"
#include "capture/DrawCore.h"
#include "capture/DrawView.h"
#include "app/state/RecordModel.h"

#include <QGuiApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

using namespace qn;

namespace {
const bool kTestPaths = (QStandardPaths::setTestModeEnabled(true), true);

DrawViewModel &model() { return *Models::shared().drawViewModel(); }

// Collects the areas the view is asked to paint.
struct PaintRecorder : QObject {
    QRegion painted;
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

qint64 area(const QRegion &region) {
    qint64 sum = 0;
    for (const QRect &r : region)
        sum += qint64(r.width()) * r.height();
    return sum;
}

// The view's own pixels (the chrome beside the crop is a child of its own).
QImage pixels(QWidget *view) {
    QImage image(view->size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    view->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
}

struct RectState {
    QRectF crop;  // the crop rectangle (zero while one is drawn out or moved)
    QRectF temp;  // the rectangle being drawn out or moved
};

struct Case {
    const char *name;
    RectState before;
    RectState after;
    // At most this much of the screen is repainted: a step costs little. The action
    // bar follows a crop that has one, and where it was is shown again.
    double share = 0.02;
};

// CTest lists each case by its name rather than by its bytes.
void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

void apply(const RectState &s) {
    model().setCroppedArea(s.crop);
    model().setTempCroppedArea(s.temp);
}

struct DrawViewRepaintTest : ::testing::TestWithParam<Case> {
    void SetUp() override {
        model().reset();
        Models::shared().recordModel()->setIsRecording(false);
        model().setCropScreen(QGuiApplication::primaryScreen());
        model().setCroppedAreaDrawing(true);
        view = std::make_unique<DrawView>(DrawCore::shared(), QGuiApplication::primaryScreen());
        view->resize(1920, 1080);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }
    void TearDown() override {
        view.reset();
        model().setCroppedAreaDrawing(false);
        model().setCropScreen(nullptr);
        model().setCroppedArea(QRectF());
        model().setTempCroppedArea(QRectF());
    }
    std::unique_ptr<DrawView> view;
};
} // namespace

// A drag step repaints every pixel that changes, and little more than those: an
// edge moved by a few points must not cost a repaint of the screen.
TEST_P(DrawViewRepaintTest, AStepRepaintsWhatChangedAndLittleElse) {
    ASSERT_TRUE(kTestPaths);
    const Case &c = GetParam();
    apply(c.before);
    QTest::qWait(1); // the first state painted in full
    const QImage before = pixels(view.get());

    PaintRecorder recorder;
    view->installEventFilter(&recorder);
    // The flag is set again on every step of a real drag.
    model().setCroppedAreaDrawing(true);
    apply(c.after);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.painted.isEmpty(); }, 2000));
    QTest::qWait(1);
    view->removeEventFilter(&recorder);
    const QImage after = pixels(view.get());

    int changed = 0, missed = 0;
    for (int y = 0; y < after.height(); ++y) {
        const auto *a = reinterpret_cast<const QRgb *>(before.constScanLine(y));
        const auto *b = reinterpret_cast<const QRgb *>(after.constScanLine(y));
        for (int x = 0; x < after.width(); ++x) {
            if (a[x] == b[x])
                continue;
            ++changed;
            if (!recorder.painted.contains(QPoint(x, y)) && ++missed <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " changed but was not repainted";
        }
    }
    EXPECT_GT(changed, 0);
    EXPECT_EQ(missed, 0);
    EXPECT_LT(double(area(recorder.painted)), 1920 * 1080 * c.share)
        << "repainted " << area(recorder.painted) << " pixels";
}

INSTANTIATE_TEST_SUITE_P(
    CropDrags, DrawViewRepaintTest,
    ::testing::Values(
        Case{"DrawOutRightEdge", {{}, {300, 200, 500, 400}}, {{}, {300, 200, 508, 400}}},
        Case{"DrawOutCornerBothWays", {{}, {300, 200, 500, 400}}, {{}, {300, 200, 520, 390}}},
        Case{"DrawOutShrinks", {{}, {300, 200, 500, 400}}, {{}, {300, 200, 470, 360}}},
        Case{"DrawOutFractional", {{}, {100.5, 200.25, 300.7, 100.2}}, {{}, {100.5, 200.25, 310.3, 104.9}}},
        Case{"HandleResizeMovesHandles", {{600, 300, 400, 400}, {}}, {{600, 300, 440, 400}, {}}, 0.05},
        Case{"HandleResizeTopEdge", {{600, 300, 400, 400}, {}}, {{600, 288, 400, 412}, {}}},
        Case{"MoveStartsHandlesGo", {{600, 300, 400, 400}, {}}, {{}, {600, 300, 400, 400}}, 0.2},
        Case{"MoveStep", {{}, {600, 300, 400, 400}}, {{}, {615, 293, 400, 400}}},
        Case{"NewCropFromNothing", {{}, {}}, {{}, {700, 500, 6, 4}}}),
    [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });
