#include "platform/Ocr.h"

#include "platform/Diagnostics.h"

#include <QStringList>
#include <dlfcn.h>
#include <memory>
#include <mutex>
#include <tesseract/capi.h>

namespace qn {

namespace {
// Tesseract and its chain of image libraries weigh several megabytes of resident
// memory; a tray program that may never read text loads them at the first
// recognition instead of at start.
struct TesseractLibrary {
    decltype(&::TessBaseAPICreate) create = nullptr;
    decltype(&::TessBaseAPIDelete) destroy = nullptr;
    decltype(&::TessBaseAPIInit2) init = nullptr;
    decltype(&::TessBaseAPISetPageSegMode) setPageSegMode = nullptr;
    decltype(&::TessBaseAPISetImage) setImage = nullptr;
    decltype(&::TessBaseAPISetSourceResolution) setSourceResolution = nullptr;
    decltype(&::TessBaseAPIGetUTF8Text) text = nullptr;
    decltype(&::TessDeleteText) deleteText = nullptr;
    decltype(&::TessBaseAPIClear) clear = nullptr;
    bool loaded = false;
};

void report(const char *what) { diagnostics::report(diagnostics::ocrError(QString::fromUtf8(what))); }

template <typename F> bool resolve(void *handle, const char *name, F &target) {
    target = reinterpret_cast<F>(dlsym(handle, name));
    return target != nullptr;
}

const TesseractLibrary &tesseractLibrary() {
    static TesseractLibrary lib;
    static std::once_flag once;
    std::call_once(once, [] {
        // Tesseract's OpenMP threads spin while they wait; on a busy machine a crop
        // then takes minutes instead of a fraction of a second. One thread per
        // engine is as fast on the small pictures we read. The runtime reads this
        // when it loads, which is the dlopen below.
        if (!qEnvironmentVariableIsSet("OMP_THREAD_LIMIT"))
            qputenv("OMP_THREAD_LIMIT", "1");
        // Never closed: engines live in worker threads until the program ends.
        void *handle = dlopen("libtesseract.so.5", RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            report("the text recognition library could not be loaded");
            return;
        }
        TesseractLibrary l;
        const bool ok = resolve(handle, "TessBaseAPICreate", l.create) &&
                        resolve(handle, "TessBaseAPIDelete", l.destroy) &&
                        resolve(handle, "TessBaseAPIInit2", l.init) &&
                        resolve(handle, "TessBaseAPISetPageSegMode", l.setPageSegMode) &&
                        resolve(handle, "TessBaseAPISetImage", l.setImage) &&
                        resolve(handle, "TessBaseAPISetSourceResolution", l.setSourceResolution) &&
                        resolve(handle, "TessBaseAPIGetUTF8Text", l.text) &&
                        resolve(handle, "TessDeleteText", l.deleteText) && resolve(handle, "TessBaseAPIClear", l.clear);
        if (!ok) {
            report("the text recognition library is incomplete");
            return;
        }
        l.loaded = true;
        lib = l;
    });
    return lib;
}

struct EngineDeleter {
    void operator()(TessBaseAPI *api) const { tesseractLibrary().destroy(api); }
};

// Latin and Cyrillic text, loaded together once.
constexpr const char *kLanguages = "eng+rus";

// One engine per worker thread: starting one costs far more than a recognition.
TessBaseAPI *engine(const TesseractLibrary &lib) {
    thread_local std::unique_ptr<TessBaseAPI, EngineDeleter> api;
    thread_local bool failed = false;
    if (!api && !failed) {
        std::unique_ptr<TessBaseAPI, EngineDeleter> candidate(lib.create());
        // English leads: each word is read as English first and is tried as Russian only
        // when English gives no acceptable reading, so Latin text reads as before.
        if (!candidate || lib.init(candidate.get(), nullptr, kLanguages, tesseract::OEM_LSTM_ONLY) != 0) {
            report("the English and Russian recognition data could not be loaded");
            failed = true;
            return nullptr;
        }
        lib.setPageSegMode(candidate.get(), tesseract::PSM_AUTO);
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
    const TesseractLibrary &lib = tesseractLibrary();
    if (!lib.loaded)
        return {};
    TessBaseAPI *api = engine(lib);
    if (!api)
        return {};
    const QImage gray = prepare(image);
    lib.setImage(api, gray.constBits(), gray.width(), gray.height(), 1, static_cast<int>(gray.bytesPerLine()));
    lib.setSourceResolution(api, 144);
    const std::unique_ptr<char, decltype(lib.deleteText)> raw(lib.text(api), lib.deleteText);
    lib.clear(api);
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
