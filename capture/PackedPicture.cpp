#include "capture/PackedPicture.h"

#include "platform/RowBands.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace qn {

namespace {
// Fast rather than small: a screen is mostly flat areas, which the quickest level
// already packs tightly, and the recording waits for it.
constexpr int kLevel = 1;
} // namespace

PackedPicture PackedPicture::pack(const QImage &image) {
    PackedPicture packed;
    if (image.isNull())
        return packed;
    const int height = image.height();
    const int bands = std::clamp(QThread::idealThreadCount(), 1, height);
    packed.m_bandRows = (height + bands - 1) / bands;
    packed.m_size = image.size();
    packed.m_format = image.format();
    packed.m_pixelRatio = image.devicePixelRatio();
    const qsizetype rowBytes = qsizetype(image.width()) * image.depth() / 8;
    std::vector<int> starts;
    for (int y = 0; y < height; y += packed.m_bandRows)
        starts.push_back(y);
    const int bandRows = packed.m_bandRows;
    const bool tight = image.bytesPerLine() == rowBytes;
    const auto packBand = [&image, rowBytes, bandRows, height, tight](int start) {
        const int rows = std::min(bandRows, height - start);
        if (tight)
            return qCompress(image.constScanLine(start), rowBytes * rows, kLevel);
        // Rows packed without their line padding, so that the picture they come back
        // as may have a stride of its own.
        QByteArray plain(rowBytes * rows, Qt::Uninitialized);
        for (int r = 0; r < rows; ++r)
            std::memcpy(plain.data() + r * rowBytes, image.constScanLine(start + r), size_t(rowBytes));
        return qCompress(plain, kLevel);
    };
    QList<QByteArray> result(qsizetype(starts.size()));
    forEachIndex(int(starts.size()), [&](int i) { result[i] = packBand(starts[size_t(i)]); });
    if (std::any_of(result.cbegin(), result.cend(), [](const QByteArray &b) { return b.isEmpty(); }))
        return {};
    packed.m_bands = result;
    return packed;
}

QImage PackedPicture::unpack() const {
    if (isNull())
        return {};
    QImage image(m_size, m_format);
    if (image.isNull())
        return {};
    const qsizetype rowBytes = qsizetype(image.width()) * image.depth() / 8;
    std::atomic<bool> intact{true};
    forEachIndex(int(m_bands.size()), [&](int i) {
        const QByteArray plain = qUncompress(m_bands.at(i));
        const int start = i * m_bandRows;
        const int rows = std::min(m_bandRows, m_size.height() - start);
        if (plain.size() != rowBytes * rows) {
            intact = false;
            return;
        }
        for (int r = 0; r < rows; ++r)
            std::memcpy(image.scanLine(start + r), plain.constData() + r * rowBytes, size_t(rowBytes));
    });
    if (!intact)
        return {};
    image.setDevicePixelRatio(m_pixelRatio);
    return image;
}

qsizetype PackedPicture::packedBytes() const {
    return std::accumulate(m_bands.cbegin(), m_bands.cend(), qsizetype(0),
                           [](qsizetype sum, const QByteArray &b) { return sum + b.size(); });
}

} // namespace qn
