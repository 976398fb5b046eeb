#include "capture/PackedPicture.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace qn {
namespace {

QImage busyPicture(QSize size, QImage::Format format, qreal ratio) {
    QImage image(size, format);
    image.fill(Qt::darkCyan);
    // Noise in part of it, so that some bands pack poorly and others well.
    quint32 seed = 12345;
    for (int y = 0; y < size.height() / 3; ++y)
        for (int x = 0; x < size.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            image.setPixel(x, y, 0xff000000u | (seed >> 8));
        }
    QPainter(&image).drawText(QRectF(image.rect()), Qt::AlignCenter, QStringLiteral("frozen"));
    image.setDevicePixelRatio(ratio);
    return image;
}

struct PackCase {
    const char *name;
    QSize size;
    QImage::Format format;
    qreal ratio;
};

class PackedPictureRoundTrip : public testing::TestWithParam<PackCase> {};

// What comes back is the picture that went in, pixel for pixel, whatever its shape:
// a height that does not split evenly into bands, one row, a stride with padding.
TEST_P(PackedPictureRoundTrip, GivesBackTheSamePixels) {
    const PackCase c = GetParam();
    const QImage picture = busyPicture(c.size, c.format, c.ratio);
    const PackedPicture packed = PackedPicture::pack(picture);
    ASSERT_FALSE(packed.isNull());
    const QImage back = packed.unpack();
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_EQ(back.format(), picture.format());
    EXPECT_EQ(back.devicePixelRatio(), picture.devicePixelRatio());
    for (int y = 0; y < picture.height(); ++y)
        ASSERT_EQ(0, std::memcmp(back.constScanLine(y), picture.constScanLine(y),
                                 size_t(picture.width()) * size_t(picture.depth() / 8)))
            << "row " << y;
}

INSTANTIATE_TEST_SUITE_P(Shapes, PackedPictureRoundTrip,
                         testing::Values(PackCase{"screen", QSize(1920, 1080), QImage::Format_RGB32, 1.0},
                                         PackCase{"oddRows", QSize(641, 7), QImage::Format_ARGB32_Premultiplied, 2.0},
                                         PackCase{"oneRow", QSize(33, 1), QImage::Format_RGB32, 1.0},
                                         PackCase{"padded", QSize(3, 50), QImage::Format_RGB888, 1.0}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(PackedPicture, AFlatScreenPacksSmallAndNothingPacksToNothing) {
    QImage flat(3840, 2160, QImage::Format_RGB32);
    flat.fill(0xff336699);
    const PackedPicture packed = PackedPicture::pack(flat);
    EXPECT_LT(packed.packedBytes(), flat.sizeInBytes() / 50);
    EXPECT_EQ(packed.unpack(), flat);

    EXPECT_TRUE(PackedPicture::pack(QImage()).isNull());
    EXPECT_TRUE(PackedPicture().unpack().isNull());
}

} // namespace
} // namespace qn
