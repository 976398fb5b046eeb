// Render + encode of a full 4K crop: the work between the copy key and the PNG on
// the clipboard (the overlay closing and the clipboard hand-over are not included).
#include "app/state/SettingsModel.h"
#include "capture/ImageEncoding.h"
#include "capture/SnapshotView.h"
#include "platform/PreferencesStore.h"

#include <algorithm>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
// A desktop-like picture: flat areas, gradients and text, at 3840x2160.
QImage desktop4k() {
    QImage image(3840, 2160, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 3840, 2160);
    g.setColorAt(0, QColor(30, 60, 120));
    g.setColorAt(1, QColor(200, 120, 60));
    p.fillRect(image.rect(), g);
    for (int i = 0; i < 12; ++i) {
        const QRect window(100 + i * 280, 120 + (i % 4) * 480, 900, 600);
        p.fillRect(window, QColor(245, 245, 245));
        p.fillRect(window.adjusted(0, 0, 0, -560), QColor(60, 60, 70));
        p.setPen(Qt::black);
        for (int line = 0; line < 20; ++line)
            p.drawText(window.left() + 20, window.top() + 70 + line * 26,
                       QStringLiteral("The quick brown fox %1 jumps over the lazy dog").arg(line * i));
    }
    return image;
}

// A detailed screen: a photo-like wallpaper (smooth colour with grain, as a photo
// or a busy web page has) under the same text windows. It compresses about as badly
// as a real full screen of detail (a PNG of over 10 MB at 4K), where the flat
// desktop above gives under 1 MB.
QImage detailed4k() {
    QImage image = desktop4k();
    quint32 seed = 12345;
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 27) - 16;
            const QRgb p = row[x];
            if (qRed(p) == 245 && qGreen(p) == 245) // the windows' white stays flat
                continue;
            row[x] = qRgb(std::clamp(qRed(p) + grain, 0, 255), std::clamp(qGreen(p) + grain / 2, 0, 255),
                          std::clamp(qBlue(p) - grain, 0, 255));
        }
    }
    return image;
}

struct Fixture {
    QTemporaryDir dir;
    qn::PreferencesStore store{dir.filePath(QStringLiteral("prefs.ini"))};
    qn::SettingsModel settings{store};
    QImage screen = desktop4k();
    QImage detailed = detailed4k();
};

Fixture &fixture() {
    static Fixture f;
    return f;
}

void BM_Render4kCrop(benchmark::State &state) {
    Fixture &f = fixture();
    const qn::SnapshotView view{f.screen, {}, {}, Qt::transparent, QRectF(0, 0, 3840, 2160), false, false};
    for (auto _ : state)
        benchmark::DoNotOptimize(view.render(&f.settings));
}

void BM_EncodePng4k(benchmark::State &state) {
    Fixture &f = fixture();
    const qn::SnapshotView view{f.screen, {}, {}, Qt::transparent, QRectF(0, 0, 3840, 2160), false, false};
    const QImage rendered = view.render(&f.settings);
    for (auto _ : state)
        benchmark::DoNotOptimize(qn::imageEncoding::pngData(rendered));
}

void renderAndEncode4k(benchmark::State &state, const QImage &screen) {
    Fixture &f = fixture();
    const qn::SnapshotView view{screen, {}, {}, Qt::transparent, QRectF(0, 0, 3840, 2160), false, false};
    std::size_t bytes = 0;
    for (auto _ : state) {
        const QByteArray png = qn::imageEncoding::pngData(view.render(&f.settings));
        bytes = std::size_t(png.size());
        benchmark::DoNotOptimize(png);
    }
    state.counters["png_MB"] = double(bytes) / 1e6;
}

void BM_RenderAndEncode4kCrop(benchmark::State &state) { renderAndEncode4k(state, fixture().screen); }

// What Ctrl+C on a full detailed 4K screen waits for before the clipboard is taken.
void BM_RenderAndEncode4kDetailed(benchmark::State &state) { renderAndEncode4k(state, fixture().detailed); }
} // namespace

BENCHMARK(BM_Render4kCrop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodePng4k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderAndEncode4kCrop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderAndEncode4kDetailed)->Unit(benchmark::kMillisecond)->UseRealTime();
