#include "recording/StreamView.h"
#include "annotation/DrawViewModel.h"
#include "annotation/DrawnFactory.h"
#include "app/state/RecordModel.h"
#include "recording/CameraPreview.h"
#include "recording/StreamViewCanvas.h"
#include "support/TempPreferences.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

namespace {
DrawnPtr pen(QList<QPointF> points, const QColor &color = Qt::red) {
    QNColor c;
    c.color = color;
    return DrawnFactory::makeTool(points.first(), points.last(), points, Tool::Pen, true, std::nullopt, c,
                                  QRectF(0, 0, 1920, 1080));
}
} // namespace

TEST(StreamViewTest, BubbleSnapsToTheNearestAnchor) {
    const QRectF crop(100, 100, 800, 600);
    EXPECT_EQ(StreamView::startLocation(crop), QPointF(110, 595));
    EXPECT_EQ(StreamView::innerRect(crop), QRectF(QPointF(110, 110), QPointF(795, 595)));
    struct Case {
        QPointF drop;
        std::optional<QPointF> target;
    };
    const Case cases[] = {
        {{300, 300}, std::nullopt},         // inside: stays
        {{900, 120}, QPointF(795, 110)},    // right of it, near the top-right corner
        {{110, 300}, std::nullopt},         // on the left edge: inside
        {{300, 110}, std::nullopt},         // on the top edge: inside
        {{795, 300}, QPointF(795, 352.5)},  // on the right edge: outside
        {{300, 595}, QPointF(452.5, 595)},  // on the bottom edge: outside
        {{850, 231.25}, QPointF(795, 110)}, // a tie goes to the corner
        {{0, 0}, QPointF(110, 110)},        {{2000, 2000}, QPointF(795, 595)},
    };
    for (const Case &c : cases) {
        const auto target = StreamView::snapTarget(c.drop, crop);
        EXPECT_EQ(target.has_value(), c.target.has_value()) << c.drop.x() << "," << c.drop.y();
        if (target && c.target) {
            EXPECT_NEAR(target->x(), c.target->x(), 1e-9);
            EXPECT_NEAR(target->y(), c.target->y(), 1e-9);
        }
    }
    // A crop area smaller than the bubble: the inner rectangle is normalised.
    const QRectF small(0, 0, 100, 100);
    EXPECT_EQ(StreamView::innerRect(small), QRectF(-5, -5, 15, 15));
    EXPECT_FALSE(StreamView::snapTarget(QPointF(0, 0), small).has_value());
    EXPECT_EQ(StreamView::snapTarget(QPointF(50, 50), small), QPointF(10, 10));
}

TEST(StreamViewTest, FadeTiming) {
    const std::pair<qint64, qreal> cases[] = {{0, 1},      {1000, 1},      {2000, 1}, {2500, 0.75},
                                              {3000, 0.5}, {3999, 0.0005}, {4000, 0}, {9000, 0}};
    for (const auto &[ms, opacity] : cases)
        EXPECT_NEAR(StreamViewCanvas::fadeOpacity(ms), opacity, 1e-9) << ms;
    const std::pair<qreal, qreal> steps[] = {{1, 1},     {0.9, 1},     {0.75, 0.75}, {0.6, 0.75},
                                             {0.3, 0.5}, {0.01, 0.25}, {0, 0},       {-1, 0}};
    for (const auto &[opacity, step] : steps)
        EXPECT_DOUBLE_EQ(StreamViewCanvas::dissolveStep(opacity), step) << opacity;
}

TEST(StreamViewTest, CoverageFollowsTheStrokesOpacityAndPause) {
    const QRect bounds(0, 0, 400, 300);
    const QList<DrawnPtr> strokes{pen({{50, 50}, {150, 60}, {250, 120}})};
    const QRegion full = StreamViewCanvas::coverage(strokes, nullptr, 1.0, false, bounds);
    ASSERT_FALSE(full.isEmpty());
    EXPECT_TRUE(full.boundingRect().intersects(QRect(40, 40, 220, 90)));
    EXPECT_TRUE(bounds.contains(full.boundingRect()));
    const QRegion half = StreamViewCanvas::coverage(strokes, nullptr, 0.5, false, bounds);
    qint64 fullArea = 0, halfArea = 0;
    for (const QRect &r : full)
        fullArea += qint64(r.width()) * r.height();
    for (const QRect &r : half)
        halfArea += qint64(r.width()) * r.height();
    EXPECT_GT(halfArea, fullArea / 4);
    EXPECT_LT(halfArea, fullArea * 3 / 4);
    EXPECT_TRUE(StreamViewCanvas::coverage(strokes, nullptr, 0.0, false, bounds).isEmpty());
    EXPECT_TRUE(StreamViewCanvas::coverage(strokes, nullptr, 1.0, true, bounds).isEmpty());
    EXPECT_TRUE(StreamViewCanvas::coverage({}, nullptr, 1.0, false, bounds).isEmpty());
}

TEST(StreamViewTest, CameraPictureFillsTheBubble) {
    // A 16:9 picture loses its left and right parts.
    EXPECT_EQ(CameraPreview::aspectFillSource(QSizeF(1600, 900), QSizeF(95, 95)), QRectF(350, 0, 900, 900));
    EXPECT_EQ(CameraPreview::aspectFillSource(QSizeF(900, 1600), QSizeF(95, 95)), QRectF(0, 350, 900, 900));
    EXPECT_TRUE(CameraPreview::aspectFillSource(QSizeF(0, 0), QSizeF(95, 95)).isNull());
}

TEST(StreamViewTest, StrokeCycle) {
    RecordModel record;
    test::TempPreferences prefs;
    DrawViewModel editor(prefs.store());
    editor.setCroppedArea(QRectF(100, 100, 400, 300));
    record.setDrawingMode(true);
    StreamView view(QGuiApplication::primaryScreen(), &record, &editor);
    QObject::connect(&view, &StreamView::strokeChanged,
                     [&](const QList<QPointF> &points, QPointF start, QPointF current) {
                         if (start != current && record.drawingMode())
                             record.setDrawingTool(pen(points));
                     });
    QObject::connect(&view, &StreamView::strokeEnded, [&] {
        if (record.drawingTool())
            record.setDrawedTools(record.drawedTools() << record.drawingTool());
        record.setDrawingTool(nullptr);
    });

    // A click without movement makes no stroke but still starts the cycle.
    view.drawingChanged(QPointF(200, 200), QPointF(200, 200));
    EXPECT_EQ(record.canvasOpacity(), 1.0);
    view.drawingEnded();
    EXPECT_TRUE(record.drawedTools().isEmpty());
    EXPECT_TRUE(view.removalPending());

    view.drawingChanged(QPointF(200, 200), QPointF(200, 200));
    EXPECT_FALSE(view.removalPending());
    view.drawingChanged(QPointF(260, 240), QPointF(200, 200));
    ASSERT_TRUE(record.drawingTool());
    QElapsedTimer released;
    released.start();
    view.drawingEnded();
    ASSERT_EQ(record.drawedTools().size(), 1);
    EXPECT_FALSE(record.drawingTool());

    // Full for 2 s, then fading, removed at 4 s.
    QTRY_VERIFY_WITH_TIMEOUT(record.canvasOpacity() < 1.0, 4000);
    EXPECT_GE(released.elapsed(), 1950);
    EXPECT_EQ(record.drawedTools().size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(record.drawedTools().isEmpty(), 4000);
    EXPECT_GE(released.elapsed(), 3950);
    EXPECT_EQ(record.canvasOpacity(), 0.0);

    // Pausing hides what is drawn; the window's shape then holds nothing of it.
    view.drawingChanged(QPointF(200, 200), QPointF(200, 200));
    view.drawingChanged(QPointF(300, 250), QPointF(200, 200));
    record.setIsPaused(true);
    EXPECT_TRUE(StreamViewCanvas::coverage(record.drawedTools(), record.drawingTool(), record.canvasOpacity(),
                                           record.isPaused(), QRect(0, 0, 1920, 1080))
                    .isEmpty());
}

TEST(StreamViewTest, BlendedFadeFallsLinearlyAndPaintsAtThatOpacity) {
    RecordModel record;
    test::TempPreferences prefs;
    DrawViewModel editor(prefs.store());
    editor.setCroppedArea(QRectF(100, 100, 400, 300));
    record.setDrawingMode(true);
    StreamView view(QGuiApplication::primaryScreen(), &record, &editor);
    QObject::connect(&view, &StreamView::strokeChanged,
                     [&](const QList<QPointF> &points, QPointF start, QPointF current) {
                         if (start != current)
                             record.setDrawingTool(pen(points, Qt::green));
                     });
    QObject::connect(&view, &StreamView::strokeEnded, [&] {
        if (record.drawingTool())
            record.setDrawedTools(record.drawedTools() << record.drawingTool());
        record.setDrawingTool(nullptr);
    });
    view.setBlendedFade(true);
    ASSERT_TRUE(view.blendedFade());

    // The opacity against the time since release, as the window shows it; and the
    // alpha the window paints on its stroke at that moment.
    struct Sample {
        qint64 ms;
        qreal opacity;
    };
    QList<Sample> samples;
    QList<std::pair<qreal, int>> painted;
    QElapsedTimer released;
    QObject::connect(&record, &RecordModel::canvasOpacityChanged, &view, [&] {
        if (!released.isValid())
            return;
        samples.append({released.elapsed(), record.canvasOpacity()});
        const qreal opacity = record.canvasOpacity();
        if (opacity > 0.2 && opacity < 0.8 && painted.size() < 3) {
            const QImage image = view.grab(QRect(180, 180, 60, 60)).toImage();
            painted.append({opacity, qAlpha(image.pixel(20, 20))});
        }
    });
    view.drawingChanged(QPointF(200, 200), QPointF(200, 200));
    view.drawingChanged(QPointF(260, 260), QPointF(200, 200));
    released.start();
    view.drawingEnded();
    QTRY_VERIFY_WITH_TIMEOUT(record.drawedTools().isEmpty(), 6000);

    QSet<qreal> levels;
    for (const Sample &s : samples) {
        // Each value is the line's value at the moment it was set (a few ms earlier).
        EXPECT_NEAR(s.opacity, StreamViewCanvas::fadeOpacity(s.ms), 0.03) << s.ms;
        EXPECT_GE(s.ms, 1950) << "faded during the hold";
        if (s.opacity > 0 && s.opacity < 1)
            levels.insert(s.opacity);
    }
    // A linear fall, not the dissolve's four steps.
    EXPECT_GT(levels.size(), 20);
    ASSERT_FALSE(painted.isEmpty());
    for (const auto &[opacity, alpha] : painted)
        EXPECT_NEAR(alpha, opacity * 255, 12) << opacity;
}
