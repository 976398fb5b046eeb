// Renders one 4K overlay frame: the frozen snapshot, then 200 drawn objects of every
// kind (20 of them blur regions, some in the inversion colour) in their passes.
// Target: at most 16 ms per frame. QN_FRAME_PNG=<file> also writes one frame out.
#include "annotation/BoxTool.h"
#include "annotation/PenTool.h"
#include "annotation/PointTool.h"
#include "annotation/TextTool.h"
#include "annotation/DrawnFactory.h"
#include "annotation/DrawnPainter.h"

#include <QPainter>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

using namespace qn;

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;

QImage makeSnapshot() {
    QImage img(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    QLinearGradient g(0, 0, kWidth, kHeight);
    g.setColorAt(0, QColor("#1d2b3a"));
    g.setColorAt(1, QColor("#d8e2ec"));
    p.fillRect(img.rect(), g);
    p.setPen(Qt::black);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(18);
    p.setFont(f);
    for (int y = 30; y < kHeight; y += 40)
        p.drawText(20, y, QStringLiteral("The quick brown fox jumps over the lazy dog %1").arg(y).repeated(4));
    return img;
}

struct Scene {
    QImage snapshot = makeSnapshot();
    QImage lowQuality = BlurTool::makeLowQuality(snapshot);
    QList<DrawnPtr> tools;

    Scene() {
        QRandomGenerator rng(42);
        const QRectF frame(0, 0, kWidth, kHeight);
        const auto at = [&] { return QPointF(rng.bounded(kWidth - 400) + 100, rng.bounded(kHeight - 400) + 100); };
        const Tool kinds[] = {Tool::Pen, Tool::Line, Tool::Arrow, Tool::Rectangle, Tool::Oval, Tool::Text, Tool::Point};
        int number = 0;
        for (int i = 0; i < 200; ++i) {
            const QNColor color{QNColor::palette().at(i % 12), i % 9 == 0};
            const QPointF a = at();
            const QPointF b = a + QPointF(rng.bounded(300) + 20, rng.bounded(200) + 20);
            if (i % 10 == 0) {
                tools.append(DrawnFactory::makeTool(a, b, {}, Tool::Blur, false, std::nullopt, color, frame));
                continue;
            }
            const Tool kind = kinds[i % 7];
            std::optional<BaseToolData> data;
            QList<QPointF> points;
            if (kind == Tool::Pen)
                for (int k = 0; k < 60; ++k)
                    points.append(a + QPointF(k * 4, 30 * std::sin(k / 5.0)));
            if (kind == Tool::Text) {
                BaseToolData d;
                d.kind = BaseToolData::Kind::Text;
                d.text = QStringLiteral("Look here %1").arg(i);
                d.fontSize = 24;
                data = d;
            }
            if (kind == Tool::Point) {
                BaseToolData d;
                d.kind = BaseToolData::Kind::Point;
                d.text = QStringLiteral("comment");
                d.number = ++number;
                d.pointCorner = CornerType::BottomRight;
                data = d;
            }
            tools.append(DrawnFactory::makeTool(a, b, points, kind, false, data, color, frame));
        }
    }

    void render(QImage &frame) const {
        QPainter p(&frame);
        p.drawImage(0, 0, snapshot);
        DrawnPaintInput in{tools};
        in.lowQuality = &lowQuality;
        in.cropArea = QRectF(0, 0, kWidth, kHeight);
        paintDrawnObjects(p, in);
    }
};

void BM_Frame4K200Objects(benchmark::State &state) {
    static const Scene scene;
    QImage frame(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        scene.render(frame);
        benchmark::DoNotOptimize(frame.constBits());
    }
    state.counters["objects"] = static_cast<double>(scene.tools.size());
    if (const QByteArray out = qgetenv("QN_FRAME_PNG"); !out.isEmpty())
        frame.save(QString::fromLocal8Bit(out));
}
BENCHMARK(BM_Frame4K200Objects)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The frame without objects: what the snapshot alone costs.
void BM_Frame4KSnapshotOnly(benchmark::State &state) {
    static const Scene scene;
    QImage frame(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&frame);
        p.drawImage(0, 0, scene.snapshot);
        p.end();
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(BM_Frame4KSnapshotOnly)->Unit(benchmark::kMillisecond);

void BM_LowQualityCopy4K(benchmark::State &state) {
    static const QImage snapshot = makeSnapshot();
    for (auto _ : state)
        benchmark::DoNotOptimize(BlurTool::makeLowQuality(snapshot).constBits());
}
BENCHMARK(BM_LowQualityCopy4K)->Unit(benchmark::kMillisecond);

} // namespace
