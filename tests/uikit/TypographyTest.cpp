#include "uikit/Typography.h"
#include "Render.h"
#include "uikit/KitLabel.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <gtest/gtest.h>

using namespace qn;

namespace {

struct StyleCase {
    const char *name;
    TextStyle style;
    qreal size;
    QFont::Weight weight;
    qreal kerning;
    qreal lineSpacing;
    bool underline;
};

void PrintTo(const StyleCase &c, std::ostream *os) { *os << c.name; }

class TextStyles : public ::testing::TestWithParam<StyleCase> {};

TEST_P(TextStyles, CarryTheirSizeWeightKerningAndLineSpacing) {
    const StyleCase &c = GetParam();
    EXPECT_DOUBLE_EQ(c.style.size, c.size);
    EXPECT_EQ(c.style.weight, c.weight);
    EXPECT_DOUBLE_EQ(c.style.kerning, c.kerning);
    EXPECT_DOUBLE_EQ(c.style.lineSpacing, c.lineSpacing);
    EXPECT_EQ(c.style.underline, c.underline);

    const QFont font = c.style.font();
    EXPECT_EQ(font.family(), kitFontFamily());
    EXPECT_EQ(font.pixelSize(), qRound(c.size));
    EXPECT_EQ(font.weight(), c.weight);
    EXPECT_EQ(font.letterSpacingType(), QFont::AbsoluteSpacing);
    // Qt keeps letter spacing in 1/64 pixel steps.
    EXPECT_NEAR(font.letterSpacing(), c.kerning, 1.0 / 64);
    EXPECT_EQ(font.underline(), c.underline);
}

INSTANTIATE_TEST_SUITE_P(
    Scale, TextStyles,
    ::testing::Values(
        StyleCase{"contentS", TextStyle::contentS(), 13, QFont::Normal, 0.1, 6, false},
        StyleCase{"contentL", TextStyle::contentL(), 16, QFont::Normal, 0.3, 8, false},
        StyleCase{"buttonsAndForms", TextStyle::buttonsAndForms(std::nullopt, 1), 14, QFont::Normal, -0.3, 1, false},
        StyleCase{"contentXS", TextStyle::contentXS(), 11, QFont::Normal, -0.1, 3, false},
        StyleCase{"contentXSUnderlined", TextStyle::contentXSUnderlined(), 11, QFont::Normal, -0.1, 3, true},
        StyleCase{"contentM", TextStyle::contentM(), 15, QFont::Normal, 0.2, 5, false},
        StyleCase{"contentMUnderlined", TextStyle::contentMUnderlined(), 15, QFont::Normal, 0.2, 5, true},
        StyleCase{"contentSUnderlined", TextStyle::contentSUnderlined(), 13, QFont::Normal, 0.1, 6, true},
        StyleCase{"display", TextStyle::display(), 56, QFont::Light, -0.1, 0, false},
        StyleCase{"hero", TextStyle::hero(), 20, QFont::Light, 0.4, 3, false},
        StyleCase{"contentMLoose", TextStyle::contentMLoose(), 15, QFont::Normal, 0.2, 9, false},
        StyleCase{"heroModifier", MorvaneFonts_hero::style(), 20, QFont::Light, 0.4, 3, false},
        StyleCase{"buttonsAndFormsModifier", MorvaneFonts_ButtonsAndForms::style(), 14, QFont::Normal, -0.3, 1, false},
        StyleCase{"contentSModifier", MorvaneFonts_ContentS::style(), 13, QFont::Normal, 0.1, 6, false},
        StyleCase{"contentMModifier", MorvaneFonts_ContentM::style(), 15, QFont::Normal, 0.2, 5, false},
        // A scale multiplies the size only.
        StyleCase{"contentSScaled2", TextStyle::contentS(2), 26, QFont::Normal, 0.1, 6, false},
        StyleCase{"buttonsAndFormsScaledWithSpacing5", TextStyle::buttonsAndForms(1.5, 5), 21, QFont::Normal, -0.3, 5,
                  false},
        StyleCase{"contentXSUnderlinedScaled", TextStyle::contentXSUnderlined(2), 22, QFont::Normal, -0.1, 3, true}),
    [](const ::testing::TestParamInfo<StyleCase> &info) { return std::string(info.param.name); });

TEST(Typography, TheKitFamilyIsInstalledAndMatched) {
    ASSERT_TRUE(kitFontInstalled()) << "the Inter font (fonts-inter) is missing";
    EXPECT_EQ(QFontInfo(TextStyle::contentS().font()).family(), kitFontFamily());
    EXPECT_EQ(QFontInfo(TextStyle::hero().font()).weight(), QFont::Light);
    EXPECT_EQ(QFontInfo(TextStyle::contentS().font()).pixelSize(), 13);
}

TEST(Typography, LineSpacingSeparatesLinesButAddsNothingToOneLine) {
    for (const TextStyle &style : {TextStyle::contentS(), TextStyle::contentMLoose(), TextStyle::display()}) {
        const qreal line = QFontMetricsF(style.font()).lineSpacing();
        const QSizeF one = measureStyledText(QStringLiteral("Quillnest"), style);
        const QSizeF three = measureStyledText(QStringLiteral("Quillnest\nkit\ntext"), style);
        EXPECT_NEAR(one.height(), line, 1.0);
        EXPECT_NEAR(three.height(), 3 * line + 2 * style.lineSpacing, 1.0);
        EXPECT_NEAR(style.lineAdvance(), line + style.lineSpacing, 0.01);
    }
    EXPECT_EQ(measureStyledText(QString(), TextStyle::contentL()), QSizeF(0, 0));
}

TEST(Typography, KerningWidensOrTightensTheText) {
    TextStyle loose = TextStyle::contentS();
    TextStyle none = loose;
    none.kerning = 0;
    TextStyle tight = loose;
    tight.kerning = -0.5;
    const QString text = QStringLiteral("kerning applies to every character");
    const qreal looseWidth = measureStyledText(text, loose).width();
    const qreal plainWidth = measureStyledText(text, none).width();
    const qreal tightWidth = measureStyledText(text, tight).width();
    EXPECT_GT(looseWidth, plainWidth);
    EXPECT_LT(tightWidth, plainWidth);
}

TEST(Typography, WrappingBreaksAtTheGivenWidth) {
    const QString text = QStringLiteral("a sentence long enough to wrap onto more than one line of text");
    const TextStyle style = TextStyle::contentXS();
    const QSizeF wrapped = measureStyledText(text, style, 120);
    EXPECT_LE(wrapped.width(), 120);
    const int lines = qRound((wrapped.height() + style.lineSpacing) / style.lineAdvance());
    EXPECT_GE(lines, 3);
}

TEST(Typography, ApplyingAStyleSetsFontAndTextColour) {
    QLabel label(QStringLiteral("Label"));
    TextStyle::contentL().apply(&label, QColor(0x28, 0x28, 0x28));
    EXPECT_EQ(label.font().pixelSize(), 16);
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(0x28, 0x28, 0x28));
    QWidget box;
    auto *child = new QLabel(QStringLiteral("inside"), &box);
    MorvaneFonts_ButtonsAndForms::apply(&box);
    EXPECT_EQ(child->font().pixelSize(), 14);
    EXPECT_NEAR(child->font().letterSpacing(), -0.3, 1.0 / 64);
}

TEST(KitLabel, DrawsInItsColourAndSizesToItsLines) {
    KitLabel label(QStringLiteral("Two lines\nof text"), TextStyle::contentMLoose(), QColor(0xD7, 0x02, 0x02));
    const QSize hint = label.sizeHint();
    EXPECT_NEAR(hint.height(), 2 * QFontMetricsF(TextStyle::contentMLoose().font()).lineSpacing() + 9, 1.5);
    label.resize(hint);
    const QImage image = test::render(label);
    // Some pixel carries the full ink colour.
    bool found = false;
    for (int y = 0; y < image.height() && !found; ++y)
        for (int x = 0; x < image.width() && !found; ++x)
            found = test::colorNear(image.pixelColor(x, y), QColor(0xD7, 0x02, 0x02), 20);
    EXPECT_TRUE(found);

    KitLabel wrapping(QStringLiteral("words that wrap onto several lines when narrow"), TextStyle::contentS());
    wrapping.setWordWrap(true);
    EXPECT_TRUE(wrapping.hasHeightForWidth());
    EXPECT_GT(wrapping.heightForWidth(80), wrapping.heightForWidth(600));
}

} // namespace
