#include "settings/CustomLogo.h"

#include "platform/SafeFile.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QStandardPaths>
#include <cmath>

namespace qn::CustomLogo {

namespace {
// Far beyond any logo that could pass the size test at any resolution: such a file
// is refused from its header alone, before its pixels are decoded.
constexpr int kMaxDecodedSide = 4096;
} // namespace

QString filePath() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return QDir(dir).filePath(QStringLiteral("custom-logo.png"));
}

QSizeF reportedSize(const QImage &image) {
    // A file that names no resolution gets the screen's default from Qt; such a file
    // counts at 72 dpi, one point per pixel.
    static const int unnamed = QImage(1, 1, QImage::Format_ARGB32).dotsPerMeterX();
    const bool named = image.dotsPerMeterX() != unnamed || image.dotsPerMeterY() != unnamed;
    const auto points = [named](int pixels, int dotsPerMeter) {
        if (!named || dotsPerMeter <= 0)
            return qreal(pixels);
        const qreal dpi = dotsPerMeter * 0.0254;
        return pixels * 72.0 / dpi;
    };
    return QSizeF(points(image.width(), image.dotsPerMeterX()), points(image.height(), image.dotsPerMeterY()));
}

bool fitsLimit(const QImage &image) {
    const QSizeF size = reportedSize(image);
    // Resolutions are stored in whole dots per metre: allow for the rounding.
    constexpr qreal slack = 0.05;
    return size.width() <= kMaxSide + slack && size.height() <= kMaxSide + slack;
}

Outcome store(const QString &chosenFile, const QString &target) {
    Outcome out;
    QImageReader reader(chosenFile);
    reader.setDecideFormatFromContent(true);
    const QSize header = reader.size();
    if (header.isValid() && (header.width() > kMaxDecodedSide || header.height() > kMaxDecodedSide)) {
        out.result = Result::TooLarge;
        out.details = QStringLiteral("%1x%2 px").arg(header.width()).arg(header.height());
        return out;
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        out.result = Result::NotAnImage;
        out.details = reader.errorString();
        return out;
    }
    if (!fitsLimit(image)) {
        out.result = Result::TooLarge;
        const QSizeF s = reportedSize(image);
        out.details = QStringLiteral("%1x%2 pt").arg(s.width()).arg(s.height());
        return out;
    }
    const QString path = target.isEmpty() ? filePath() : target;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        out.result = Result::NotAnImage;
        out.details = QStringLiteral("could not encode PNG");
        return out;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    out.details = safeFile::write(path, png, safeFile::Mode::PrivateFile);
    if (!out.details.isEmpty()) {
        out.result = Result::WriteFailed;
        return out;
    }
    out.result = Result::Stored;
    out.path = QFileInfo(path).absoluteFilePath();
    return out;
}

} // namespace qn::CustomLogo
