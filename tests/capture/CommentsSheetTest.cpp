#include "annotation/ToolComment.h"
#include "capture/SnapshotWithCommentsView.h"

#include <QRawFont>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qn;

namespace {
PointTool pin(int number, const QString &text) {
    PointTool p;
    p.number = number;
    p.text = text;
    p.startPoint = QPointF(10, 10);
    p.endPoint = QPointF(10, 10);
    p.color = QNColor{QColor(0xFF, 0x41, 0x41), false};
    return p;
}

QImage picture(QSize points, qreal dpr = 1) {
    QImage image(points * dpr, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    image.setDevicePixelRatio(dpr);
    return image;
}
} // namespace

TEST(CommentsSheet, SizeIsPicturePlusPaddingPlusColumn) {
    SnapshotWithCommentsView sheet;
    sheet.image = picture({400, 300});
    sheet.tools = {pin(1, QStringLiteral("one")), pin(2, QStringLiteral("two"))};
    const QSizeF size = sheet.size();
    EXPECT_DOUBLE_EQ(size.width(), 854);
    EXPECT_GE(size.height(), 420);

    const QImage out = sheet.render();
    EXPECT_EQ(out.size(), QSize(854, static_cast<int>(std::ceil(size.height()))));
    // The picture sits 60 points in, the columns keep their backgrounds (light).
    EXPECT_EQ(out.pixelColor(60 + 200, 60 + 150), QColor(Qt::red));
    EXPECT_EQ(out.pixelColor(5, 5), QColor(0xF6, 0xF6, 0xF6));
    EXPECT_EQ(out.pixelColor(853, out.height() - 2), QColor(Qt::white));
}

TEST(CommentsSheet, DarkAppearanceColoursBothColumnsAndKeepsThePixelRatio) {
    SnapshotWithCommentsView sheet;
    sheet.image = picture({100, 80}, 2);
    sheet.tools = {pin(1, QStringLiteral("x"))};
    sheet.appearance = Appearance::Dark;
    const QImage out = sheet.render();
    EXPECT_DOUBLE_EQ(out.devicePixelRatio(), 2);
    EXPECT_EQ(out.pixelColor(4, 4), QColor(0x28, 0x28, 0x28));
    EXPECT_EQ(out.pixelColor(out.width() - 4, out.height() - 4), QColor(0x42, 0x42, 0x42));
}

TEST(CommentsSheet, SizeLabelDropsFractions) {
    EXPECT_EQ(SnapshotWithCommentsView::sizeLabel({100.7, 50.99}), QStringLiteral("100 \u00D7 50"));
    EXPECT_EQ(SnapshotWithCommentsView::sizeLabel({400, 300}), QStringLiteral("400 \u00D7 300"));
    // Every sign of the label is in the chrome's face: no fallback face in its middle.
    const QRawFont inter = QRawFont::fromFont(QFont(QStringLiteral("Inter")));
    ASSERT_TRUE(inter.isValid());
    for (const QChar c : SnapshotWithCommentsView::sizeLabel({1050, 680}))
        EXPECT_TRUE(inter.supportsCharacter(c)) << QString(c).toStdString();
}

TEST(CommentsSheet, FooterFollowsWatermarkAndLogo) {
    QTemporaryDir dir;
    const QString logoPath = dir.filePath(QStringLiteral("logo.png"));
    QImage logo(200, 80, QImage::Format_ARGB32);
    logo.fill(Qt::blue);
    ASSERT_TRUE(logo.save(logoPath));

    SnapshotWithCommentsView base;
    base.image = picture({100, 20});
    base.tools = {pin(1, QStringLiteral("a"))};
    const qreal badge = ToolComment::height(base.tools.first(), base.frameWidth - 2 * base.commentPadding);
    const qreal credit = ToolComment::height(base.toolComment, base.frameWidth - 2 * base.commentPadding);

    struct Case {
        const char *name;
        bool watermark;
        std::optional<QString> logo;
        qreal columnContent;
    } cases[] = {
        {"no watermark: ends with the last badge", false, std::nullopt, badge},
        {"watermark without logo: the credit badge", true, std::nullopt, badge + 16 + credit},
        {"readable logo at half size", true, logoPath, badge + 16 + 40},
        {"unreadable logo falls back to the credit", true, dir.filePath(QStringLiteral("missing.png")),
         badge + 16 + credit},
    };
    for (const Case &c : cases) {
        SnapshotWithCommentsView sheet = base;
        sheet.localWatermark = c.watermark;
        sheet.logo = c.logo;
        // The picture column is 20 + 120 high; the comment column decides when taller.
        EXPECT_DOUBLE_EQ(sheet.size().height(), std::max(140.0, c.columnContent + 120)) << c.name;
    }
}
