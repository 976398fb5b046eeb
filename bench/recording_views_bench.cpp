// The recording views' own cost while a recording runs: the bar's repaint (time,
// record graphic and meter at the meter's 20 Hz) and the fading strokes over the
// recorded area (50 pen strokes across a 1080p screen). Each figure is the time of
// one repaint; multiplied by its rate it gives the share of one core.
#include "annotation/DrawnFactory.h"
#include "app/state/RecordModel.h"
#include "recording/StreamViewCanvas.h"
#include "recording/VideoRecorderView.h"
#include "recording/VoiceIndicator.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cmath>

using namespace qn;

namespace {
QList<DrawnPtr> fiftyStrokes() {
    QList<DrawnPtr> strokes;
    QNColor green{QColor(0x33, 0xF1, 0x03), false};
    for (int i = 0; i < 50; ++i) {
        QList<QPointF> points;
        const double y0 = 40 + i * 20;
        for (int k = 0; k <= 60; ++k)
            points << QPointF(100 + k * 28, y0 + 30 * std::sin(k * 0.3 + i));
        strokes << DrawnFactory::makeTool(points.first(), points.last(), points, Tool::Pen, true, std::nullopt, green,
                                         QRectF(0, 0, 1920, 1080));
    }
    return strokes;
}
} // namespace

// The whole bar painted, as when the time text or the state changes (once a second).
static void BM_BarRepaint(benchmark::State &state) {
    RecordModel model;
    model.setIsRecording(true);
    model.setMicrophoneEnabled(true);
    model.setRecordTime(3725);
    VideoRecorderView bar(&model, nullptr, VideoRecorderView::Recorder{});
    QImage target(VideoRecorderView::kWidth, VideoRecorderView::kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        bar.animationTick();
        bar.render(&target);
        benchmark::DoNotOptimize(target.bits());
    }
}
BENCHMARK(BM_BarRepaint)->Unit(benchmark::kMicrosecond);

// The meter alone, repainted with every level (20 times a second).
static void BM_MeterRepaint(benchmark::State &state) {
    QImage target(170, 8, QImage::Format_ARGB32_Premultiplied);
    float level = 0;
    for (auto _ : state) {
        target.fill(Qt::transparent);
        QPainter p(&target);
        VoiceIndicator::paint(p, QPointF(0, 0), level, RecorderState::Recording, true, QColor(0x1E, 0x2D, 0x0B));
        level = level > 1 ? 0 : level + 0.05f;
        benchmark::DoNotOptimize(target.bits());
    }
}
BENCHMARK(BM_MeterRepaint)->Unit(benchmark::kMicrosecond);

// One step of the fade of 50 strokes: the window's new shape (four times per fade),
// the finished strokes' regions kept from their first showing.
static void BM_FiftyStrokesShape(benchmark::State &state) {
    const QList<DrawnPtr> strokes = fiftyStrokes();
    StreamViewCanvas::RegionCache cache;
    (void)StreamViewCanvas::coverage(strokes, nullptr, 1.0, false, QRect(0, 0, 1920, 1080), &cache);
    qreal opacity = 1;
    for (auto _ : state) {
        const QRegion shape =
            StreamViewCanvas::coverage(strokes, nullptr, opacity, false, QRect(0, 0, 1920, 1080), &cache);
        benchmark::DoNotOptimize(shape.rectCount());
        opacity = opacity <= 0.25 ? 1 : opacity - 0.25;
    }
}
BENCHMARK(BM_FiftyStrokesShape)->Unit(benchmark::kMillisecond);

// A pen stroke growing by one point (every pointer move while drawing) over 50 shown strokes.
static void BM_DrawingOverFiftyStrokes(benchmark::State &state) {
    const QList<DrawnPtr> strokes = fiftyStrokes();
    StreamViewCanvas::RegionCache cache;
    (void)StreamViewCanvas::coverage(strokes, nullptr, 1.0, false, QRect(0, 0, 1920, 1080), &cache);
    QList<QPointF> points{QPointF(300, 300)};
    QNColor red{Qt::red, false};
    for (auto _ : state) {
        points << points.last() + QPointF(6, 2);
        if (points.size() > 200)
            points = {QPointF(300, 300)};
        const DrawnPtr drawing = DrawnFactory::makeTool(points.first(), points.last(), points, Tool::Pen, true,
                                                      std::nullopt, red, QRectF(0, 0, 1920, 1080));
        const QRegion shape =
            StreamViewCanvas::coverage(strokes, drawing, 1.0, false, QRect(0, 0, 1920, 1080), &cache);
        benchmark::DoNotOptimize(shape.rectCount());
    }
}
BENCHMARK(BM_DrawingOverFiftyStrokes)->Unit(benchmark::kMillisecond);

// Painting the 50 strokes into the window (once per new stroke).
static void BM_FiftyStrokesPaint(benchmark::State &state) {
    const QList<DrawnPtr> strokes = fiftyStrokes();
    QImage target(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&target);
        StreamViewCanvas::paint(p, strokes, nullptr, 1.0, false);
        benchmark::DoNotOptimize(target.bits());
    }
}
BENCHMARK(BM_FiftyStrokesPaint)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
