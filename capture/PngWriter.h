#pragma once
#include <QByteArray>
#include <QImage>

namespace qn {

// PNG encoding for captures, fast enough for a whole 4K screen: the rows are
// filtered and deflated in bands on every core, and the bands are joined into one
// valid zlib stream (each band ends on a full flush). RGB for opaque pictures,
// RGBA (straight alpha) otherwise. Empty for a null image.
QByteArray encodePng(const QImage &image);

} // namespace qn
