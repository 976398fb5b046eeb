#pragma once
#include <QImage>
#include <QRectF>

class QPainter;

namespace qn {

// The live camera picture of the bubble: the newest frame filling the bubble,
// cropped to its shape (a wide picture loses its left and right parts). Without a
// picture the bubble stays empty.
namespace CameraPreview {

// The part of a `frame`-sized picture that fills `target` at the same aspect ratio.
QRectF aspectFillSource(const QSizeF &frame, const QSizeF &target);
void paint(QPainter &painter, const QRectF &target, const QImage &frame);

} // namespace CameraPreview
} // namespace qn
