#include "DrawnBuilders.h"
#include "annotation/BoxTool.h"
#include "annotation/LineTool.h"
#include "annotation/PenTool.h"
#include "annotation/PointTool.h"
#include "annotation/TextTool.h"
#include "annotation/ToolComment.h"
#include "annotation/DrawnPainter.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace qn;
using namespace qn::test;

namespace {

const QNColor kMask{QColor("#33F103"), true};
const QNColor kBlue{QColor("#0075FF"), false};

// A picture whose left half is white and right half black.
QImage halves(int w = 200, int h = 100) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    p.fillRect(w / 2, 0, w - w / 2, h, Qt::black);
    return img;
}

QImage render(const QImage &background, const DrawnPaintInput &input) {
    QImage out = background.copy();
    QPainter p(&out);
    paintDrawnObjects(p, input);
    return out;
}

TEST(DrawnPaint, StrokesTakeTheirColour) {
    const DrawnPtr line = build(Tool::Line, QPointF(10, 50), QPointF(90, 50), kBlue);
    const QImage out = render(halves(), {{line}});
    EXPECT_EQ(out.pixelColor(50, 50), QColor("#0075FF"));
    EXPECT_EQ(out.pixelColor(50, 40), QColor(Qt::white));
}

TEST(DrawnPaint, InversionMarksInvertWhiteAndBlack) {
    const DrawnPtr line = build(Tool::Line, QPointF(10, 50), QPointF(190, 50), kMask);
    const DrawnPtr overlap = build(Tool::Line, QPointF(50, 20), QPointF(50, 80), kMask);
    const QImage out = render(halves(), {{line, overlap}});
    EXPECT_EQ(out.pixelColor(30, 50), QColor(Qt::black));   // white inverted
    EXPECT_EQ(out.pixelColor(170, 50), QColor(Qt::white));  // black inverted
    EXPECT_EQ(out.pixelColor(50, 50), QColor(Qt::black));   // two marks crossing invert once
}

TEST(DrawnPaint, InversionAlsoInvertsPlainObjectsBeneath) {
    const DrawnPtr plain = build(Tool::Rectangle, QPointF(20, 20), QPointF(80, 80), kBlue);
    const DrawnPtr mark = build(Tool::Line, QPointF(10, 20), QPointF(90, 20), kMask);
    const QImage out = render(halves(), {{plain, mark}});
    const QColor c = out.pixelColor(50, 20);
    EXPECT_EQ(c, QColor(255 - 0x00, 255 - 0x75, 255 - 0xFF));
}

TEST(DrawnPaint, BlurShowsBlocksAndWhiteboardHidesIt) {
    QImage noise(200, 100, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixelColor(x, y, ((x * 7 + y * 13) % 5) < 2 ? Qt::black : Qt::white);
    const QImage low = BlurTool::makeLowQuality(noise);
    EXPECT_EQ(low.size(), QSize(40, 20));
    const DrawnPtr blur = build(Tool::Blur, QPointF(20, 20), QPointF(120, 80), kMask);
    DrawnPaintInput in{{blur}};
    in.lowQuality = &low;
    const QImage out = render(noise, in);
    for (int by = 20; by < 80; by += 5)
        for (int bx = 20; bx < 120; bx += 5) {
            const QRgb first = out.pixel(bx, by);
            for (int dy = 0; dy < 5; ++dy)
                for (int dx = 0; dx < 5; ++dx)
                    ASSERT_EQ(out.pixel(bx + dx, by + dy), first) << bx << "," << by;
        }
    EXPECT_NE(out.pixelColor(50, 50), QColor(Qt::black));  // averaged, not the mask's white either
    EXPECT_EQ(out.pixel(10, 10), noise.pixel(10, 10));     // outside untouched

    in.whiteboard = Qt::white;
    in.cropArea = QRectF(0, 0, 150, 100);
    const QImage board = render(noise, in);
    EXPECT_EQ(board.pixelColor(50, 50), QColor(Qt::white));
    EXPECT_EQ(board.pixel(170, 50), noise.pixel(170, 50));
}

TEST(DrawnPaint, DegenerateObjectsPaintNothingAndNeverFail) {
    auto pen = std::make_shared<PenTool>();
    const DrawnPtr arrow = build(Tool::Arrow, QPointF(50, 50), QPointF(50, 50), kBlue);
    auto oval = std::make_shared<OvalTool>();
    const QImage out = render(halves(), {{pen, oval}, arrow});
    EXPECT_EQ(out.pixelColor(20, 20), QColor(Qt::white));
    EXPECT_TRUE(arrow->boundingRect().isValid() || arrow->boundingRect().isNull());
    const auto head = static_cast<const ArrowTool &>(*arrow).path();
    for (int i = 0; i < head.elementCount(); ++i) {
        EXPECT_TRUE(std::isfinite(head.elementAt(i).x));
        EXPECT_TRUE(std::isfinite(head.elementAt(i).y));
    }
}

TEST(DrawnPaint, HiddenObjectsAndCloudRendersLeaveThingsOut) {
    const DrawnPtr line = build(Tool::Line, QPointF(10, 50), QPointF(90, 50), kBlue);
    const DrawnPtr point = DrawnFactory::makeTool(QPointF(150, 50), std::nullopt, {}, Tool::Point, false,
                                                pointData("c", 1), kBlue, kFrame);
    DrawnPaintInput in{{line, point}};
    in.hiddenId = line->id;
    in.skipPoints = true;
    const QImage out = render(halves(), in);
    EXPECT_EQ(out.pixelColor(50, 50), QColor(Qt::white));
    EXPECT_EQ(out.pixelColor(145, 40), QColor(Qt::black));
    in.skipPoints = false;
    EXPECT_EQ(render(halves(), in).pixelColor(145, 40), QColor("#0075FF"));
}

TEST(DrawnPaint, TextPaintsOnlyWhenPlacedAndFramesTheSelection) {
    auto text = copyAs<TextTool>(DrawnFactory::makeTool(
        QPointF(10, 10), QPointF(10, 10), {}, Tool::Text, false, textData("HH", 40), kBlue, kFrame));
    text->text = QStringLiteral("HH");
    const auto blue = [](const QImage &img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += img.pixelColor(x, y).blue() > 200 && img.pixelColor(x, y).red() < 60;
        return n;
    };
    EXPECT_GT(blue(render(halves(), {{text}})), 20);
    text->activeTextEdit = true;
    EXPECT_EQ(blue(render(halves(), {{text}})), 0);
}

} // namespace

namespace {

TEST(ToolComment, BadgeColourNumberAndWrappedComment) {
    PointTool point;
    point.color = kBlue;
    point.number = 12;
    point.text = QStringLiteral("A rather long comment that has to wrap over several lines of the sheet");
    const double narrow = ToolComment::height(point, 120);
    const double wide = ToolComment::height(point, 600);
    EXPECT_GT(narrow, wide);  // grows downwards, never wider
    PointTool empty = point;
    empty.text.clear();
    EXPECT_EQ(ToolComment::height(empty, 600), ToolComment::kBadgeHeight);

    QImage img(200, 200, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        ToolComment::paint(p, QPointF(10, 10), 180, point, Qt::black);
    }
    EXPECT_EQ(img.pixelColor(13, 17), QColor("#0075FF"));  // badge body in the point's colour
    PointTool mask = point;
    mask.color = QNColor{QColor("#0075FF"), true};
    mask.number.reset();
    img.fill(Qt::white);
    {
        QPainter p(&img);
        ToolComment::paintBadge(p, QRectF(10, 10, 23, 27), mask);
    }
    EXPECT_EQ(img.pixelColor(13, 17), QColor("#282828"));  // a mask-coloured point has a dark badge
    EXPECT_EQ(img.pixelColor(21, 20), QColor(Qt::white));   // and the white mark in place of a number
}

} // namespace
