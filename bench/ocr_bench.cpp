// Copy as Text: the first recognition of a run (the engine and its language data are
// loaded then) and later ones, on lines of English and Russian text drawn the way
// screens show them. Prints each text as read, so two builds can be compared word
// for word, then the median and p90 of the times.
//
// Usage: QT_QPA_PLATFORM=offscreen bench/ocr_bench [--runs 10]
#include "platform/Ocr.h"

#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Sample {
    const char *family;
    int pixelSize;
    const char *text;
};

// UI text as it comes on screen: labels, prose, code, addresses, numbers, look-alike
// letters, and the Cyrillic the onboarding promises.
const Sample kSamples[] = {
    {"DejaVu Sans", 28, "Hello Quillnest 42"},
    {"Inter", 14, "The quick brown fox jumps over the lazy dog"},
    {"Inter", 13, "Copy to Clipboard"},
    {"DejaVu Sans", 15, "Save as PNG or JPEG, then share the link"},
    {"DejaVu Sans Mono", 14, "user@example.com https://example.org/path?q=1"},
    {"DejaVu Sans", 16, "Version 3.14.159 (build 2026-12-11)"},
    {"DejaVu Sans Mono", 15, "CamelCaseIdentifier snake_case_name = 0x1F;"},
    {"Inter", 18, "COPY PASTE EXPORT"},
    {"DejaVu Sans", 16, "Illegal 1l0O values: Oil, lO1, Ill"},
    {"Inter", 14, "Meeting notes: ship on Monday, review on Tuesday"},
    {"DejaVu Sans", 28, "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 \xd0\xbc\xd0\xb8\xd1\x80 42"},
    {"DejaVu Sans", 16,
     "\xd0\xa1\xd1\x8a\xd0\xb5\xd1\x88\xd1\x8c \xd0\xb6\xd0\xb5 \xd0\xb5\xd1\x89\xd1\x91 \xd1\x8d\xd1\x82\xd0\xb8"
     "\xd1\x85 \xd0\xbc\xd1\x8f\xd0\xb3\xd0\xba\xd0\xb8\xd1\x85 \xd0\xb1\xd1\x83\xd0\xbb\xd0\xbe\xd0\xba"},
    {"Inter", 15, "Quillnest: \xd0\xa1\xd0\xba\xd1\x80\xd0\xb8\xd0\xbd\xd1\x88\xd0\xbe\xd1\x82 2026"},
};

QImage draw(const Sample &sample) {
    QFont font(QString::fromUtf8(sample.family));
    font.setPixelSize(sample.pixelSize);
    const QString text = QString::fromUtf8(sample.text);
    QImage image(QSize(std::max(200, int(std::strlen(sample.text)) * sample.pixelSize * 2 / 3), sample.pixelSize * 3),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(image.rect().adjusted(12, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
    return image;
}

double percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    const double k = (v.size() - 1) * q;
    const size_t lo = size_t(k);
    const size_t hi = std::min(lo + 1, v.size() - 1);
    return v[lo] + (v[hi] - v[lo]) * (k - lo);
}

} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    int runs = 10;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));

    std::vector<QImage> images;
    for (const Sample &s : kSamples)
        images.push_back(draw(s));

    QElapsedTimer timer;
    timer.start();
    const QString first = qn::recognizeText(images.front());
    const double firstMs = timer.nsecsElapsed() / 1e6;

    int exact = 0;
    QStringList reads;
    std::printf("%-6s %-48s %s\n", "exact", "drawn", "read");
    for (size_t i = 0; i < images.size(); ++i) {
        const QString read = i == 0 ? first : qn::recognizeText(images[i]);
        const bool same = read == QString::fromUtf8(kSamples[i].text);
        exact += same;
        reads.append(read);
        std::printf("%-6s %-48s %s\n", same ? "yes" : "NO", kSamples[i].text, qPrintable(read));
    }

    // Later rounds come after texts of the other script: a text reads the same whatever
    // was read before it.
    std::vector<double> later;
    int changed = 0;
    for (int r = 0; r < runs; ++r)
        for (size_t i = 0; i < images.size(); ++i) {
            const size_t k = (i * 7 + size_t(r)) % images.size();
            timer.restart();
            const QString again = qn::recognizeText(images[k]);
            later.push_back(timer.nsecsElapsed() / 1e6);
            if (again != reads[int(k)]) {
                ++changed;
                std::printf("read otherwise after another text: %s -> %s\n", qPrintable(reads[int(k)]),
                            qPrintable(again));
            }
        }
    std::printf("\nexactly read: %d of %zu\n", exact, images.size());
    std::printf("reads that changed in later rounds: %d\n", changed);
    std::printf("first recognition (engine start included): %.1f ms\n", firstMs);
    std::printf("later recognitions: median %.1f ms, p90 %.1f ms (n=%zu)\n", percentile(later, 0.5),
                percentile(later, 0.9), later.size());
    return 0;
}
