#pragma once
#include <QByteArray>
#include <QImage>
#include <QList>

namespace qn {

// A picture kept compressed in memory (losslessly) while nothing shows it: a frozen
// screen waiting out a recording costs a few megabytes instead of a whole screen.
// Packing and unpacking split the rows into bands worked on all cores at once.
class PackedPicture {
public:
    static PackedPicture pack(const QImage &image);
    // The same pixels, format and pixel ratio; null when nothing was packed.
    QImage unpack() const;
    bool isNull() const { return m_bands.isEmpty(); }
    qsizetype packedBytes() const;

private:
    QList<QByteArray> m_bands; // rows [i * m_bandRows, ...) of the picture each
    QSize m_size;
    QImage::Format m_format = QImage::Format_Invalid;
    qreal m_pixelRatio = 1.0;
    int m_bandRows = 0;
};

} // namespace qn
