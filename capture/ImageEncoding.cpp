#include "capture/ImageEncoding.h"

#include "capture/PngWriter.h"

#include <QBuffer>
#include <QImageWriter>
#include <cmath>

namespace qn::imageEncoding {

namespace {
// Truncated toward zero, forgiving the rounding noise of a position that was a whole
// device pixel divided by a scale such as 1.5.
int wholePixels(qreal v) { return int(std::trunc(v + (v < 0 ? -1e-6 : 1e-6))); }
} // namespace

QRect pixelRect(const QRectF &rect, qreal scale) {
    return {wholePixels(rect.x() * scale), wholePixels(rect.y() * scale), wholePixels(rect.width() * scale),
            wholePixels(rect.height() * scale)};
}

QImage cropped(const QImage &image, const QRectF &rect, qreal scale) {
    if (image.isNull())
        return {};
    const QRect pixels = pixelRect(rect, scale);
    if (pixels.width() <= 0 || pixels.height() <= 0)
        return {};
    const qreal sourceScale = image.devicePixelRatio();
    QImage out;
    if (qFuzzyCompare(sourceScale, scale)) {
        // copy() fills what lies outside the image with transparent black.
        out = image.copy(pixels);
    } else {
        const QRectF source(QPointF(pixels.topLeft()) * sourceScale / scale,
                            QSizeF(pixels.size()) * sourceScale / scale);
        out = image.copy(source.toAlignedRect()).scaled(pixels.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    out.setDevicePixelRatio(scale);
    return out;
}

QImage resized(const QImage &image, QSizeF size) {
    if (image.isNull() || size.isEmpty())
        return {};
    const qreal dpr = image.devicePixelRatio();
    QImage out = image.scaled((size * dpr).toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    out.setDevicePixelRatio(dpr);
    return out;
}

QImage lowQualityCopy(const QImage &image) {
    if (image.isNull())
        return {};
    const QSize full = image.size();
    const QSize small(std::max(1, int(full.width() / 5.0)), std::max(1, int(full.height() / 5.0)));
    QImage out = image.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .scaled(full, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    out.setDevicePixelRatio(image.devicePixelRatio());
    return out;
}

namespace {
QByteArray encode(const QImage &image, const char *format, int quality) {
    if (image.isNull())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image))
        return {};
    return bytes;
}
} // namespace

QByteArray pngData(const QImage &image) { return encodePng(image); }

QByteArray jpegData(const QImage &image) {
    if (image.isNull())
        return {};
    return encode(image.convertToFormat(QImage::Format_RGB32), "jpeg", 90);
}

bool isJpegFileName(const QString &fileName) {
    return fileName.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive) ||
           fileName.endsWith(QLatin1String(".jpeg"), Qt::CaseInsensitive);
}

} // namespace qn::imageEncoding
