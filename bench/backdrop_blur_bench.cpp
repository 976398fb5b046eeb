// The panels' blur of a frozen screen: made on a pool thread once per capture, when
// the first crop is drawn. It must be done long before a user can let go of the
// mouse (some 100 ms), also at 4K.
#include "uikit/BlurredBackdrop.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {
// Text over a gradient: as costly as any picture, the blur does not look at content.
QImage screen(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, width, height);
    g.setColorAt(0, QColor(30, 60, 120));
    g.setColorAt(1, QColor(200, 120, 60));
    p.fillRect(image.rect(), g);
    p.setPen(Qt::white);
    for (int y = 20; y < height; y += 18)
        p.drawText(10, y, QStringLiteral("The quick brown fox jumps over the lazy dog ").repeated(width / 300));
    return image;
}

void panelBlur(benchmark::State &state) {
    const QImage picture = screen(int(state.range(0)), int(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(qn::BlurredBackdrop::panelBlur(picture).image.constBits());
}
BENCHMARK(panelBlur)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
