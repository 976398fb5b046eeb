#include "platform/Ocr.h"

#include <QStringList>
#include <cstdio>
#include <memory>
#include <tesseract/baseapi.h>

namespace qn {

namespace {
// One engine per worker thread: starting one costs far more than a recognition.
tesseract::TessBaseAPI *engine() {
    thread_local std::unique_ptr<tesseract::TessBaseAPI> api;
    thread_local bool failed = false;
    if (!api && !failed) {
        auto candidate = std::make_unique<tesseract::TessBaseAPI>();
        if (candidate->Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) != 0) {
            std::printf("RecognizeTextRequest error: the English recognition data could not be loaded\n");
            std::fflush(stdout);
            failed = true;
            return nullptr;
        }
        candidate->SetPageSegMode(tesseract::PSM_AUTO);
        api = std::move(candidate);
    }
    return api.get();
}

QImage prepare(const QImage &image) {
    QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    // Text of 12-16 px reads markedly better at two or three times its size.
    const int longest = std::max(gray.width(), gray.height());
    const int factor = longest < 800 ? 3 : (longest < 2400 ? 2 : 1);
    if (factor > 1)
        gray = gray.scaled(gray.size() * factor, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return gray;
}
} // namespace

QString recognizeText(const QImage &image) {
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return {};
    tesseract::TessBaseAPI *api = engine();
    if (!api)
        return {};
    const QImage gray = prepare(image);
    api->SetImage(gray.constBits(), gray.width(), gray.height(), 1, static_cast<int>(gray.bytesPerLine()));
    api->SetSourceResolution(144);
    std::unique_ptr<char[]> raw(api->GetUTF8Text());
    api->Clear();
    if (!raw)
        return {};
    QStringList lines;
    for (const QString &line : QString::fromUtf8(raw.get()).split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines.append(trimmed);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace qn
