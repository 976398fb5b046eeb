#include "editor_ui/Tooltip.h"
#include "ChromeTestSupport.h"
#include "editor_ui/ChromeStyle.h"
#include "uikit/Typography.h"

#include <QFontMetricsF>
#include <gtest/gtest.h>

using namespace qn;

TEST(TooltipTest, OppositeAlignmentSwapsOnlyTheFourEdges) {
    struct Case {
        Qt::Alignment in, out;
    };
    const Case cases[] = {
        {Qt::AlignLeft, Qt::AlignRight | Qt::AlignVCenter},
        {Qt::AlignRight, Qt::AlignLeft | Qt::AlignVCenter},
        {Qt::AlignTop, Qt::AlignBottom | Qt::AlignHCenter},
        {Qt::AlignBottom, Qt::AlignTop | Qt::AlignHCenter},
        {Qt::AlignCenter, Qt::AlignCenter},
        {Qt::AlignTop | Qt::AlignLeft, Qt::AlignTop | Qt::AlignLeft},
        {Qt::AlignBottom | Qt::AlignRight, Qt::AlignBottom | Qt::AlignRight},
    };
    for (const Case &c : cases)
        EXPECT_EQ(oppositeAlignment(c.in), c.out) << int(c.in);
}

TEST(TooltipTest, BubbleStandsOutsideTheAnchorOnItsSide) {
    // A 36 × 36 button at (100, 200); bubble 80 × 40.
    const QRectF anchor(100, 200, 36, 36);
    const QSizeF bubble(80, 40);
    struct Case {
        const char *name;
        Qt::Alignment side;
        qreal padding;
        QPointF origin;
    };
    const Case cases[] = {
        // Pointer tip 12 px above the middle of the top edge.
        {"top -12", Qt::AlignTop, -12, {118 - 40, 188 - 40}},
        {"bottom -12", Qt::AlignBottom, -12, {118 - 40, 248}},
        {"leading -12", Qt::AlignLeft, -12, {88 - 80, 218 - 20}},
        {"trailing -12", Qt::AlignRight, -12, {148, 218 - 20}},
        {"trailing, padding 0 touches the edge", Qt::AlignRight, 0, {136, 218 - 20}},
        {"bottom -6 stands nearer", Qt::AlignBottom, -6, {118 - 40, 242}},
        {"centre", Qt::AlignCenter, -12, {118 - 40, 218 - 20}},
        {"top-leading corner keeps its own corner", Qt::AlignTop | Qt::AlignLeft, -12, {88, 188}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(tooltipOrigin(anchor, c.side, c.padding, bubble), c.origin) << c.name;
}

TEST(TooltipTest, FourLineHelpIsOneBubbleAsWideAsItsWidestLine) {
    const QString text = QStringLiteral("Draw an Arrow - A\nDraw a Line - L\nDraw a Rectangle - R\nDraw an Oval - O");
    Tooltip bubble(text, Qt::AlignLeft);
    const QFontMetricsF metrics(TextStyle::contentS().font());
    const qreal widest = metrics.horizontalAdvance(QStringLiteral("Draw a Rectangle - R"));
    EXPECT_EQ(bubble.sizeHint().width(), int(std::ceil(widest) + 24 + 12));
    EXPECT_EQ(bubble.sizeHint().height(), int(std::ceil(4 * metrics.height() + 3 * 6) + 12 + 12));

    // Pointer on the leading side, tip at the far left, centred vertically.
    const QPolygonF pointer = bubble.pointerPolygon();
    ASSERT_EQ(pointer.size(), 3);
    EXPECT_EQ(pointer[0], QPointF(0, bubble.sizeHint().height() / 2.0));
    EXPECT_EQ(pointer[1].x(), 6);
    EXPECT_EQ(pointer[2].x(), 6);

    EXPECT_TRUE(Tooltip(QStringLiteral("x"), Qt::AlignCenter).pointerPolygon().isEmpty());
    const QPolygonF down = Tooltip(QStringLiteral("x"), Qt::AlignBottom).pointerPolygon();
    ASSERT_EQ(down.size(), 3);
    EXPECT_EQ(down[0].y(), Tooltip(QStringLiteral("x"), Qt::AlignBottom).sizeHint().height());
}

TEST(TooltipTest, ModifierShowsTheBubbleBesideTheAnchorWithoutMovingIt) {
    QWidget host;
    host.resize(400, 300);
    QWidget anchor(&host);
    anchor.setGeometry(100, 120, 36, 36);
    host.show();

    TooltipModifier modifier(&anchor, QStringLiteral("OCR tool - Ctrl+T"), Qt::AlignTop, -12);
    modifier.setShow(true);
    Tooltip *bubble = modifier.bubble();
    ASSERT_NE(bubble, nullptr);
    EXPECT_TRUE(bubble->isVisible());
    EXPECT_EQ(bubble->parentWidget(), &host);
    // Pointer tip 12 px above the anchor's top edge, centred on it.
    EXPECT_EQ(bubble->geometry().bottom() + 1, 120 - 12);
    EXPECT_NEAR(bubble->geometry().center().x(), 118, 1);
    EXPECT_EQ(anchor.geometry(), QRect(100, 120, 36, 36));
    EXPECT_TRUE(bubble->testAttribute(Qt::WA_TransparentForMouseEvents));

    modifier.setShow(false);
    EXPECT_FALSE(bubble->isVisible());
    EXPECT_EQ(anchor.geometry(), QRect(100, 120, 36, 36));
}

TEST(TooltipTest, TextColourFollowsTheScheme) {
    for (bool dark : {false, true}) {
        QWidget host;
        host.setPalette(test::schemePalette(dark));
        Tooltip bubble(QStringLiteral("MMMM"), Qt::AlignTop, &host);
        bubble.resize(bubble.sizeHint());
        const QImage image = test::renderWidget(&bubble);
        // The darkest (light scheme) or lightest (dark scheme) pixel is the text's.
        QColor extreme = image.pixelColor(image.width() / 2, image.height() / 2);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() == 255 &&
                    (dark ? c.lightness() > extreme.lightness() : c.lightness() < extreme.lightness()))
                    extreme = c;
            }
        const QColor expected = dark ? QColor(0xF6, 0xF6, 0xF6) : QColor(0x28, 0x28, 0x28);
        EXPECT_TRUE(test::sameColor(extreme, expected, 8)) << extreme.name().toStdString() << " dark=" << dark;
    }
}
