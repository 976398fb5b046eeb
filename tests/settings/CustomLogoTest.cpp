#include "settings/CustomLogo.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qn;
using Result = CustomLogo::Result;

namespace {
QString writeImage(const QTemporaryDir &dir, const QString &name, QSize size, int dpi, const char *format) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(QColor(0x1C, 0x6A, 0xFF));
    if (dpi > 0) {
        image.setDotsPerMeterX(qRound(dpi / 0.0254));
        image.setDotsPerMeterY(qRound(dpi / 0.0254));
    }
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path, format));
    return path;
}
} // namespace

TEST(CustomLogo, TheLimitIsOnTheSizeTheImageReports) {
    QTemporaryDir dir;
    struct Case {
        const char *name;
        QSize pixels;
        int dpi; // 0: the file names no resolution
        const char *format;
        Result expected;
    } cases[] = {
        {"exact.png", {160, 160}, 0, "PNG", Result::Stored},
        {"wide.png", {161, 160}, 0, "PNG", Result::TooLarge},
        {"tall.png", {160, 161}, 0, "PNG", Result::TooLarge},
        {"retina.png", {320, 320}, 144, "PNG", Result::Stored},
        {"retina-wide.png", {322, 320}, 144, "PNG", Result::TooLarge},
        {"photo.jpg", {120, 90}, 72, "JPEG", Result::Stored},
        {"small.png", {1, 1}, 0, "PNG", Result::Stored},
    };
    for (const Case &c : cases) {
        const QString source = writeImage(dir, QString::fromLatin1(c.name), c.pixels, c.dpi, c.format);
        const QString target =
            dir.filePath(QStringLiteral("kept/") + QString::fromLatin1(c.name) + QStringLiteral(".logo"));
        const CustomLogo::Outcome out = CustomLogo::store(source, target);
        EXPECT_EQ(out.result, c.expected) << c.name << " " << qPrintable(out.details);
        if (c.expected == Result::Stored) {
            EXPECT_EQ(out.path, target) << c.name;
            // Whatever was chosen is kept as PNG data.
            QImageReader reader(target);
            EXPECT_EQ(reader.format(), QByteArray("png")) << c.name;
            EXPECT_EQ(reader.size(), c.pixels) << c.name;
        } else {
            EXPECT_FALSE(QFile::exists(target)) << c.name;
        }
    }
}

TEST(CustomLogo, WhatIsNotAnImageOrCannotBeWrittenIsRefused) {
    QTemporaryDir dir;
    QFile text(dir.filePath(QStringLiteral("notes.png")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture\n");
    text.close();
    EXPECT_EQ(CustomLogo::store(text.fileName(), dir.filePath(QStringLiteral("a.png"))).result, Result::NotAnImage);
    EXPECT_EQ(
        CustomLogo::store(dir.filePath(QStringLiteral("missing.png")), dir.filePath(QStringLiteral("b.png"))).result,
        Result::NotAnImage);
    // A picture far too large is refused from its header, before decoding.
    const QString huge = writeImage(dir, QStringLiteral("huge.png"), QSize(5000, 10), 0, "PNG");
    EXPECT_EQ(CustomLogo::store(huge, dir.filePath(QStringLiteral("c.png"))).result, Result::TooLarge);

    // A folder where the file should go cannot be replaced by the file.
    const QString good = writeImage(dir, QStringLiteral("good.png"), QSize(32, 32), 0, "PNG");
    const QString blocked = dir.filePath(QStringLiteral("blocked.png"));
    ASSERT_TRUE(QDir().mkpath(blocked));
    EXPECT_EQ(CustomLogo::store(good, blocked).result, Result::WriteFailed);
}

TEST(CustomLogo, AStoredLogoIsReplacedWhole) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("logo.png"));
    ASSERT_EQ(CustomLogo::store(writeImage(dir, QStringLiteral("a.png"), QSize(100, 50), 0, "PNG"), target).result,
              Result::Stored);
    ASSERT_EQ(CustomLogo::store(writeImage(dir, QStringLiteral("b.png"), QSize(40, 40), 0, "PNG"), target).result,
              Result::Stored);
    EXPECT_EQ(QImageReader(target).size(), QSize(40, 40));
    // A refused choice leaves the stored one as it was.
    ASSERT_EQ(CustomLogo::store(writeImage(dir, QStringLiteral("c.png"), QSize(200, 20), 0, "PNG"), target).result,
              Result::TooLarge);
    EXPECT_EQ(QImageReader(target).size(), QSize(40, 40));
}

// The stored logo is a file of ours: a link someone planted where it goes is
// replaced, and what the link named is left as it was.
TEST(CustomLogo, ALinkPlantedWhereTheLogoGoesIsNotWrittenThrough) {
    QTemporaryDir dir;
    const QString victim = dir.filePath(QStringLiteral("victim.txt"));
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("precious");
    file.close();
    const QString target = dir.filePath(QStringLiteral("logo.png"));
    ASSERT_TRUE(QFile::link(victim, target));
    ASSERT_EQ(CustomLogo::store(writeImage(dir, QStringLiteral("a.png"), QSize(20, 20), 0, "PNG"), target).result,
              Result::Stored);
    EXPECT_FALSE(QFileInfo(target).isSymLink());
    EXPECT_EQ(QImageReader(target).size(), QSize(20, 20));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("precious"));
}
