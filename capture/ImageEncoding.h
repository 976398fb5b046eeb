#pragma once
#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSizeF>

namespace qn::imageEncoding {

// The part of `image` under `rect` (points, top-left origin, truncated to whole
// points) at `scale` pixels per point: exactly those pixels, no resampling when
// the scale is the image's own. Null when the rectangle holds no pixel.
QImage cropped(const QImage &image, const QRectF &rect, qreal scale);
// The image redrawn at a new size in points (same pixel ratio).
QImage resized(const QImage &image, QSizeF size);
// The pixelation source of blur objects: a fifth of the detail, the same size.
QImage lowQualityCopy(const QImage &image);

// PNG file bytes (alpha kept), fast compression; empty for a null image.
QByteArray pngData(const QImage &image);
// JPEG file bytes at quality 90 (no alpha); empty for a null image.
QByteArray jpegData(const QImage &image);
// Whether a file name asks for JPEG (".jpg" or ".jpeg", any case).
bool isJpegFileName(const QString &fileName);

} // namespace qn::imageEncoding
