#include "uikit/BlurredBackdrop.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>

using namespace qn;

namespace {

// Mean absolute difference between neighbouring pixels' grey levels: what makes
// text and lines legible, near 0 for anything smooth.
double edgeEnergy(const QImage &image, const QRect &area) {
    double sum = 0;
    int count = 0;
    for (int y = area.top(); y < area.bottom(); ++y)
        for (int x = area.left(); x < area.right(); ++x) {
            const int here = qGray(image.pixel(x, y));
            sum += std::abs(here - qGray(image.pixel(x + 1, y))) + std::abs(here - qGray(image.pixel(x, y + 1)));
            ++count;
        }
    return count ? sum / count : 0;
}

// Black text and thin lines on white, all over: a busy desktop.
QImage busyPicture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QFont font;
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(Qt::black);
    for (int y = 14; y < size.height(); y += 17)
        p.drawText(2, y, QStringLiteral("The quick brown fox jumps over the lazy dog 0123456789 ").repeated(6));
    p.setPen(QPen(Qt::black, 2));
    for (int x = 0; x < size.width(); x += 40)
        p.drawLine(x, 0, x + 60, size.height());
    return image;
}

} // namespace

TEST(BlurredBackdropTest, MeltsTextAndLines) {
    for (qreal dpr : {1.0, 2.0}) {
        QImage picture = busyPicture(QSize(int(640 * dpr), int(400 * dpr)));
        picture.setDevicePixelRatio(dpr);
        const BlurredBackdrop::Blurred blurred = BlurredBackdrop::panelBlur(picture);
        ASSERT_FALSE(blurred.image.isNull());
        // Shown at the picture's size again, as panels see it.
        const QImage shown = blurred.image.scaled(picture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_RGB32);
        const QRect inner = QRect(QPoint(), picture.size()).adjusted(20, 20, -20, -20);
        const double before = edgeEnergy(picture, inner), after = edgeEnergy(shown, inner);
        EXPECT_GT(before, 20) << "the picture is not busy";
        EXPECT_LT(after, before * 0.02) << "dpr " << dpr << ": " << before << " -> " << after;
    }
}

TEST(BlurredBackdropTest, KeepsFlatColoursWhateverTheSizeAndPadding) {
    struct Case {
        const char *name;
        QSize size;
        QImage::Format format;
        int step;
    };
    const Case cases[] = {
        {"whole blocks", QSize(64, 32), QImage::Format_RGB32, 4},
        {"partial last blocks", QSize(67, 35), QImage::Format_RGB32, 4},
        {"smaller than a block", QSize(3, 2), QImage::Format_RGB32, 8},
        {"another format", QSize(40, 30), QImage::Format_RGB888, 4},
    };
    const QRgb colour = qRgb(200, 120, 30);
    for (const Case &c : cases) {
        QImage picture(c.size, c.format);
        picture.fill(QColor(colour));
        if (c.format == QImage::Format_RGB32) {
            // A grab's padding bytes: zero alpha, which must not darken or thin anything.
            for (int y = 0; y < picture.height(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
                for (int x = 0; x < picture.width(); ++x)
                    line[x] &= 0x00ffffffu;
            }
        }
        const BlurredBackdrop::Blurred b = BlurredBackdrop::blur(picture, c.step, 3, 3);
        EXPECT_EQ(b.step, c.step) << c.name;
        EXPECT_EQ(b.image.size(),
                  QSize((c.size.width() + c.step - 1) / c.step, (c.size.height() + c.step - 1) / c.step))
            << c.name;
        for (int y = 0; y < b.image.height(); ++y)
            for (int x = 0; x < b.image.width(); ++x)
                ASSERT_EQ(b.image.pixel(x, y), 0xff000000u | colour) << c.name << " at " << x << "," << y;
    }
}

TEST(BlurredBackdropTest, KeepsWhereLightAndDarkAre) {
    // Left half white, right half black: the blur smooths the border but does not
    // move or mirror it, and the edges far from it keep their colour.
    QImage picture(400, 100, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter(&picture).fillRect(200, 0, 200, 100, Qt::black);
    const BlurredBackdrop::Blurred b = BlurredBackdrop::blur(picture, 4, 3, 3);
    const int y = b.image.height() / 2;
    EXPECT_EQ(qGray(b.image.pixel(0, y)), 255);
    EXPECT_EQ(qGray(b.image.pixel(b.image.width() - 1, y)), 0);
    EXPECT_NEAR(qGray(b.image.pixel(b.image.width() / 2 - 1, y)), 160, 40);
    for (int x = 1; x < b.image.width(); ++x)
        EXPECT_LE(qGray(b.image.pixel(x, y)), qGray(b.image.pixel(x - 1, y))) << x;
}

TEST(BlurredBackdropTest, PanelsDrawThePartUnderThemAndFollowWhenMoved) {
    // A host showing a picture that is dark at the left and light at the right.
    QImage picture(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            picture.setPixel(x, y, qRgb(x * 255 / 399, 100, 255 - x * 255 / 399));
    QWidget host;
    host.resize(400, 300);
    int asked = 0;
    auto *backdrop = new BlurredBackdrop(&host, [&] {
        ++asked;
        return picture;
    });
    QList<QRectF> shaded;
    backdrop->setShade([&](QPainter &, const QRectF &area) { shaded << area; });
    BlurredBackdrop::attach(&host, backdrop);
    auto *panel = new QWidget(&host);
    panel->setGeometry(40, 50, 60, 40);
    ASSERT_EQ(BlurredBackdrop::find(panel), backdrop);

    QPainterPath shape;
    shape.addRect(0, 0, 60, 40);
    const auto paint = [&] {
        QImage image(panel->size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter p(&image);
        const bool drawn = backdrop->paint(p, shape, panel);
        p.end();
        return std::make_pair(drawn, image);
    };

    // Not blurred yet: nothing drawn, nothing fetched inside the paint.
    EXPECT_FALSE(paint().first);
    EXPECT_EQ(asked, 0);
    QSignalSpy ready(backdrop, &BlurredBackdrop::ready);
    ASSERT_TRUE(ready.wait(5000));
    EXPECT_EQ(asked, 1);

    const auto expected = [&](QPoint local) {
        const QPointF at = QPointF(panel->pos() + local) / backdrop->scale();
        return QColor(backdrop->blurred().pixel(int(at.x()), int(at.y())));
    };
    for (QPoint place : {QPoint(40, 50), QPoint(300, 200)}) {
        panel->move(place);
        const auto [drawn, image] = paint();
        ASSERT_TRUE(drawn);
        EXPECT_EQ(shaded.last(), QRectF(QPointF(place), QSizeF(60, 40)));
        for (QPoint local : {QPoint(5, 5), QPoint(30, 20), QPoint(54, 34)}) {
            const QColor got = image.pixelColor(local), want = expected(local);
            EXPECT_NEAR(got.red(), want.red(), 12) << place.x() << "," << place.y() << " " << local.x();
            EXPECT_NEAR(got.blue(), want.blue(), 12) << place.x() << "," << place.y() << " " << local.x();
        }
    }

    // A new picture: the old blur is dropped and the next paint fetches it again.
    backdrop->reset();
    EXPECT_FALSE(paint().first);
    ASSERT_TRUE(ready.wait(5000));
    EXPECT_EQ(asked, 2);
}

TEST(BlurredBackdropTest, FoundFromDescendantsAndWindowsOfTheirOwn) {
    QWidget host;
    auto *backdrop = new BlurredBackdrop(&host, [] { return QImage(); });
    BlurredBackdrop::attach(&host, backdrop);
    QWidget child(&host);
    QWidget grandChild(&child);
    QWidget popup(&host, Qt::Tool);
    QWidget stranger;
    EXPECT_EQ(BlurredBackdrop::find(&grandChild), backdrop);
    EXPECT_EQ(BlurredBackdrop::find(&popup), backdrop);
    EXPECT_EQ(BlurredBackdrop::find(&stranger), nullptr);
    delete backdrop;
    EXPECT_EQ(BlurredBackdrop::find(&grandChild), nullptr);
}
