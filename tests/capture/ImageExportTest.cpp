#include "app/state/Models.h"
#include "app/state/SettingsModel.h"
#include "capture/ImageEncoding.h"
#include "capture/SnapshotView.h"
#include "support/TempPreferences.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QImageReader>
#include <QPainter>
#include <gtest/gtest.h>

using namespace qn;

namespace {
// A screen picture where every pixel is different, so any shift shows.
QImage pattern(int w, int h, qreal dpr = 1) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x * 7 + y * 13) % 256));
    image.setDevicePixelRatio(dpr);
    return image;
}

// A drawn object that fills its area with its colour (white when it is a mask).
class FillTool : public BaseTool {
public:
    FillTool(QRectF r, QColor c, bool mask, Tool kind = Tool::Rectangle) {
        area = r;
        color = QNColor{c, mask};
        type = kind;
    }
    void draw(QPainter &p, const QImage *lowQuality, std::optional<QUuid>) const override {
        if (type == Tool::Blur) {
            if (lowQuality)
                p.drawImage(area, *lowQuality,
                            QRectF(area.topLeft() * lowQuality->devicePixelRatio(),
                                   area.size() * lowQuality->devicePixelRatio()));
            return;
        }
        p.fillRect(area, color.mask ? QColor(Qt::white) : color.color);
    }
    DrawnIntersection intersect(QPointF) const override { return {}; }
    std::shared_ptr<BaseTool> clone() const override { return std::make_shared<FillTool>(*this); }
};

QImage decode(const QByteArray &bytes) {
    QImage image;
    image.loadFromData(bytes);
    return image;
}
} // namespace

TEST(ImageEncoding, CroppedTakesExactlyThePixelsUnderTheRectangle) {
    struct Case {
        const char *name;
        qreal dpr;
        QRectF rect;
        QRect expectedPixels;
    };
    const Case cases[] = {
        {"1x", 1, {100, 100, 200, 150}, {100, 100, 200, 150}},
        {"fractions are truncated", 1, {10.9, 20.5, 100.7, 50.2}, {10, 20, 100, 50}},
        {"2x reads twice the pixels", 2, {10, 20, 100, 50}, {20, 40, 200, 100}},
        {"2x cuts at whole pixels", 2, {10.9, 20.5, 100.7, 50.2}, {21, 41, 201, 100}},
        {"a frame at odd pixels on 2x", 2, {100.5, 150.5, 162.5, 80}, {201, 301, 325, 160}},
        {"pixels divided by 1.5 come back whole",
         1.5,
         {301 / 1.5, 151 / 1.5, 200 / 1.5, 101 / 1.5},
         {301, 151, 200, 101}},
        {"the top rows", 1, {0, 0, 30, 2}, {0, 0, 30, 2}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QImage source = pattern(640, 480, c.dpr);
        const QImage out = imageEncoding::cropped(source, c.rect, c.dpr);
        ASSERT_EQ(out.size(), c.expectedPixels.size());
        EXPECT_EQ(out.devicePixelRatio(), c.dpr);
        EXPECT_EQ(out, source.copy(c.expectedPixels));
    }
    EXPECT_TRUE(imageEncoding::cropped(pattern(10, 10), {5, 5, 0.5, 0.5}, 1).isNull());
}

TEST(ImageEncoding, PngKeepsPixelsAndJpegIsJpeg) {
    const QImage source = pattern(64, 48);
    const QByteArray png = imageEncoding::pngData(source);
    ASSERT_TRUE(png.startsWith("\x89PNG"));
    EXPECT_EQ(decode(png).convertToFormat(QImage::Format_RGB32), source);

    // Straight alpha survives, also for a picture taller than one band of rows.
    QImage translucent(37, 300, QImage::Format_ARGB32);
    for (int y = 0; y < translucent.height(); ++y)
        for (int x = 0; x < translucent.width(); ++x)
            translucent.setPixel(x, y, qRgba(x * 7 % 256, y % 256, 90, (x + y) % 256));
    EXPECT_EQ(decode(imageEncoding::pngData(translucent)).convertToFormat(QImage::Format_ARGB32), translucent);
    const QImage tall = pattern(300, 1000);
    EXPECT_EQ(decode(imageEncoding::pngData(tall)).convertToFormat(QImage::Format_RGB32), tall);
    // Grain next to flat areas and long runs, over many bands: what a detailed
    // screen is made of.
    QImage detailed(1500, 1100, QImage::Format_RGB32);
    quint32 seed = 7;
    for (int y = 0; y < detailed.height(); ++y)
        for (int x = 0; x < detailed.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            detailed.setPixel(x, y, (x / 300 + y / 200) % 2 ? qRgb(240, 240, 240) : (seed >> 8) | 0xff000000u);
        }
    EXPECT_EQ(decode(imageEncoding::pngData(detailed)).convertToFormat(QImage::Format_RGB32), detailed);

    const QByteArray jpeg = imageEncoding::jpegData(source);
    ASSERT_TRUE(jpeg.startsWith("\xFF\xD8\xFF"));
    EXPECT_FALSE(decode(jpeg).hasAlphaChannel());
    EXPECT_TRUE(imageEncoding::pngData(QImage()).isEmpty());
    EXPECT_TRUE(imageEncoding::jpegData(QImage()).isEmpty());
}

TEST(ImageEncoding, JpegFileNames) {
    for (const char *yes : {"a.jpg", "b.JPEG", "c d.Jpg"})
        EXPECT_TRUE(imageEncoding::isJpegFileName(QString::fromLatin1(yes))) << yes;
    for (const char *no : {"a.png", "jpg", "a.jpg.png", "a.jpe"})
        EXPECT_FALSE(imageEncoding::isJpegFileName(QString::fromLatin1(no))) << no;
}

TEST(ImageEncoding, LowQualityCopyKeepsTheSizeWithAFifthOfTheDetail) {
    const QImage source = pattern(1000, 500, 2);
    const QImage low = imageEncoding::lowQualityCopy(source);
    EXPECT_EQ(low.size(), source.size());
    EXPECT_EQ(low.devicePixelRatio(), 2);
    // Blocks of 5x5 pixels share one colour.
    EXPECT_EQ(low.pixel(0, 0), low.pixel(4, 4));
    EXPECT_EQ(imageEncoding::resized(source, {100, 50}).size(), QSize(200, 100));
}

TEST(SnapshotView, WatermarkPlacement) {
    struct Case {
        QRectF crop;
        QRectF expected;
    };
    const QSizeF logo(220, 56);
    const Case cases[] = {
        {{0, 0, 300, 300}, {300 - 6 - 110, 300 - 4 - 28, 110, 28}},
        {{10, 20, 300, 200}, {10 + 300 - 6 - 55, 20 + 200 - 4 - 14, 55, 14}},
        {{0, 0, 240, 500}, {240 - 6 - 55, 500 - 4 - 14, 55, 14}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SnapshotView::watermarkRect(c.crop, logo), c.expected);
}

class SnapshotRender : public ::testing::Test {
protected:
    test::TempPreferences prefs;
    SettingsModel settings{prefs.store()};
};

TEST_F(SnapshotRender, WithoutObjectsOrWatermarkItIsTheCropItself) {
    settings.setLocalWatermark(false);
    const QImage screen = pattern(800, 600, 2);
    // A half-point edge on a 2x screen is cut at the pixel where it is shown.
    SnapshotView view{screen, {}, {}, Qt::transparent, {50.5, 60, 100, 80}, false, false};
    const QImage out = view.render(&settings);
    ASSERT_EQ(out.size(), QSize(200, 160));
    EXPECT_EQ(out.convertToFormat(QImage::Format_RGB32), screen.copy(101, 120, 200, 160));

    // Drawn objects stay on the pixels they cover on the screen.
    view.drawedTools = {std::make_shared<FillTool>(QRectF(60, 70, 10, 10), Qt::red, false)};
    const QImage drawn = view.render(&settings);
    EXPECT_EQ(drawn.pixel(2 * 60 - 101, 2 * 70 - 120), qRgb(255, 0, 0));
    EXPECT_EQ(drawn.pixel(2 * 70 - 101 - 1, 2 * 80 - 120 - 1), qRgb(255, 0, 0));
    EXPECT_NE(drawn.pixel(2 * 60 - 101 - 1, 2 * 70 - 120), qRgb(255, 0, 0));
    EXPECT_NE(drawn.pixel(2 * 70 - 101, 2 * 70 - 120), qRgb(255, 0, 0));
}

TEST_F(SnapshotRender, LocalWatermarkOnlyInLocalPictures) {
    const QImage screen = pattern(800, 600);
    const QRectF crop(0, 0, 400, 300);
    auto render = [&](bool server, bool ocr) {
        return SnapshotView{screen, {}, {}, Qt::transparent, crop, server, ocr}.render(&settings);
    };
    const QImage plain = screen.copy(0, 0, 400, 300);
    settings.setLocalWatermark(true);
    settings.setUploadWatermark(false);
    EXPECT_NE(render(false, false).convertToFormat(QImage::Format_RGB32), plain);
    EXPECT_EQ(render(true, false).convertToFormat(QImage::Format_RGB32), plain);
    settings.setUploadWatermark(true);
    EXPECT_NE(render(true, false).convertToFormat(QImage::Format_RGB32), plain);
    EXPECT_EQ(render(true, true).convertToFormat(QImage::Format_RGB32), plain);
    // The watermark stays in the bottom-right corner: the top-left quarter is untouched.
    EXPECT_EQ(render(false, false).copy(0, 0, 200, 150).convertToFormat(QImage::Format_RGB32),
              plain.copy(0, 0, 200, 150));
}

// The word mark of the default watermark is set in the chrome's face (Inter Semi Bold),
// not in whatever face the system falls back to: its ink is as wide as Inter's.
TEST_F(SnapshotRender, DefaultWatermarkIsSetInTheChromeFace) {
    settings.setLocalWatermark(true);
    QImage screen(400, 300, QImage::Format_RGB32);
    screen.fill(Qt::black);
    const QRectF crop(0, 0, 400, 300);
    const QImage out =
        SnapshotView{screen, {}, {}, Qt::transparent, crop, false, false}.render(&settings).convertToFormat(
            QImage::Format_RGB32);
    // Over black the logo shows white; the word starts 52 of its 220 units in, after the quill.
    const QRectF logo = SnapshotView::watermarkRect(crop, QSizeF(220, 56));
    const int wordLeft = int(logo.left() + logo.width() * 46 / 220);
    int first = -1, last = -1;
    for (int x = wordLeft; x < out.width(); ++x)
        for (int y = int(logo.top()); y < int(logo.bottom()); ++y)
            if (qGray(out.pixel(x, y)) > 128) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    ASSERT_GE(first, 0) << "no word mark";
    const auto inkWidth = [&](const QString &family) {
        QFont f(family);
        f.setWeight(QFont::DemiBold);
        f.setPixelSize(qRound(26 * logo.width() / 220));
        return QFontMetricsF(f).tightBoundingRect(QStringLiteral("Quillnest")).width();
    };
    const double inter = inkWidth(QStringLiteral("Inter"));
    ASSERT_GT(std::abs(inkWidth(QStringLiteral("DejaVu Sans")) - inter), 6) << "the faces must differ to tell";
    EXPECT_NEAR(last - first + 1, inter, 3);
}

TEST_F(SnapshotRender, ObjectsWhiteboardInversionAndBlur) {
    settings.setLocalWatermark(false);
    QImage screen(100, 100, QImage::Format_RGB32);
    screen.fill(qRgb(10, 200, 30));
    const QRectF crop(0, 0, 100, 100);
    const auto red = std::make_shared<FillTool>(QRectF(10, 10, 20, 20), Qt::red, false);
    const auto invert = std::make_shared<FillTool>(QRectF(50, 50, 20, 20), Qt::red, true);
    const auto blur = std::make_shared<FillTool>(QRectF(0, 80, 20, 20), Qt::blue, false, Tool::Blur);

    SnapshotView view{screen, {}, {red, invert, blur}, Qt::transparent, crop, false, false};
    QImage out = view.render(&settings);
    EXPECT_EQ(out.pixel(15, 15), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(55, 55), qRgb(255 - 10, 255 - 200, 255 - 30));
    // Blur is painted from the low-quality copy even when none was made beforehand.
    EXPECT_EQ(qRed(out.pixel(5, 85)), 10);

    view.whiteboard = Qt::white;
    out = view.render(&settings);
    EXPECT_EQ(out.pixel(90, 5), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(55, 55), qRgb(0, 0, 0));      // white inverted
    EXPECT_EQ(out.pixel(5, 85), qRgb(255, 255, 255)); // no blur on a whiteboard
}

TEST_F(SnapshotRender, OverlappingInversionMarksInvertOnce) {
    settings.setLocalWatermark(false);
    QImage screen(40, 40, QImage::Format_RGB32);
    screen.fill(qRgb(0, 0, 0));
    const auto a = std::make_shared<FillTool>(QRectF(0, 0, 20, 20), Qt::red, true);
    const auto b = std::make_shared<FillTool>(QRectF(10, 10, 20, 20), Qt::red, true);
    const SnapshotView view{screen, {}, {a, b}, Qt::transparent, {0, 0, 40, 40}, false, false};
    const QImage out = view.render(&settings);
    EXPECT_EQ(out.pixel(15, 15), qRgb(255, 255, 255));
}

TEST_F(SnapshotRender, CommentPointsAreLeftOutForTheCloud) {
    settings.setLocalWatermark(false);
    settings.setUploadWatermark(false);
    QImage screen(40, 40, QImage::Format_RGB32);
    screen.fill(qRgb(0, 0, 0));
    const auto pin = std::make_shared<FillTool>(QRectF(0, 0, 10, 10), Qt::red, false, Tool::Point);
    const QRectF crop(0, 0, 40, 40);
    const SnapshotView local{screen, {}, {pin}, Qt::transparent, crop, false, false};
    const SnapshotView cloud{screen, {}, {pin}, Qt::transparent, crop, true, false};
    EXPECT_EQ(local.render(&settings).pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(cloud.render(&settings).pixel(5, 5), qRgb(0, 0, 0));
}

TEST_F(SnapshotRender, AnUnreadableLogoFallsBackAndIsForgotten) {
    settings.setLogo(QStringLiteral("/nonexistent/logo.png"));
    const QImage screen = pattern(400, 400);
    const SnapshotView view{screen, {}, {}, Qt::transparent, {0, 0, 400, 400}, false, false};
    const QImage out = view.render(&settings);
    EXPECT_NE(out.convertToFormat(QImage::Format_RGB32), screen); // the default watermark is there
    QCoreApplication::processEvents();
    EXPECT_FALSE(settings.logo().has_value());
}
