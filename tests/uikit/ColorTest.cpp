#include "uikit/Color.h"
#include "uikit/Gradient.h"
#include "uikit/HexColor.h"

#include <gtest/gtest.h>

using namespace qn;

namespace {

struct HexCase {
    const char *name;
    QString text;
    int r, g, b, a;
};

void PrintTo(const HexCase &c, std::ostream *os) { *os << c.name; }

class HexParsing : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexParsing, GivesTheColourOfItsTrimmedLength) {
    const HexCase &c = GetParam();
    const QColor color = colorFromHex(c.text);
    EXPECT_EQ(color.spec(), QColor::Rgb);
    EXPECT_EQ(color.red(), c.r) << qPrintable(c.text);
    EXPECT_EQ(color.green(), c.g) << qPrintable(c.text);
    EXPECT_EQ(color.blue(), c.b) << qPrintable(c.text);
    EXPECT_EQ(color.alpha(), c.a) << qPrintable(c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HexParsing,
    ::testing::Values(HexCase{"ShortWithHash", QStringLiteral("#FFF"), 255, 255, 255, 255},
                      HexCase{"ShortBare", QStringLiteral("FFF"), 255, 255, 255, 255},
                      HexCase{"ShortLowerWithSpaces", QStringLiteral("  #fff \n"), 255, 255, 255, 255},
                      HexCase{"ShortDigits", QStringLiteral("#1a9"), 0x11, 0xAA, 0x99, 255},
                      HexCase{"SixLower", QStringLiteral("#1c6aff"), 0x1C, 0x6A, 0xFF, 255},
                      HexCase{"SixUpper", QStringLiteral("#D70202"), 0xD7, 0x02, 0x02, 255},
                      HexCase{"EightAlphaFirst", QStringLiteral("80FF0000"), 255, 0, 0, 128},
                      HexCase{"EightAlphaFirstWithHash", QStringLiteral("#80FF0000"), 255, 0, 0, 128},
                      HexCase{"EightZeros", QStringLiteral("00000000"), 0, 0, 0, 0},
                      HexCase{"Empty", QString(), 1, 1, 0, 1}, HexCase{"OnlyHash", QStringLiteral("#"), 1, 1, 0, 1},
                      HexCase{"OneChar", QStringLiteral("F"), 1, 1, 0, 1},
                      HexCase{"TwoChars", QStringLiteral("FF"), 1, 1, 0, 1},
                      HexCase{"FourChars", QStringLiteral("FFFF"), 1, 1, 0, 1},
                      HexCase{"FiveDigits", QStringLiteral("#12345"), 1, 1, 0, 1},
                      HexCase{"SevenChars", QStringLiteral("1234567"), 1, 1, 0, 1},
                      HexCase{"NineChars", QStringLiteral("123456789"), 1, 1, 0, 1},
                      HexCase{"NoReadableDigit", QStringLiteral("GG0000"), 0, 0, 0, 255},
                      HexCase{"ScannerTakesPrefix", QStringLiteral("0x1234"), 0, 0x12, 0x34, 255},
                      HexCase{"HashInTheMiddleStopsTheScan", QStringLiteral("12#456"), 0, 0, 0x12, 255},
                      HexCase{"InnerSpaceStopsTheScan", QStringLiteral("12 456"), 0, 0, 0x12, 255},
                      HexCase{"TrailingPunctuationTrimmed", QStringLiteral("(#ABCDEF);"), 0xAB, 0xCD, 0xEF, 255},
                      // A letter with a combining mark is one character as a reader counts it: six here.
                      HexCase{"CombiningMarkCountsOnce", QStringLiteral("ABCDEe\u0301"), 0xAB, 0xCD, 0xEE, 255},
                      HexCase{"WideLettersAreTrimmedNotCounted", QStringLiteral("\U0001D400"), 1, 1, 0, 1}),
    [](const ::testing::TestParamInfo<HexCase> &info) { return std::string(info.param.name); });

TEST(HexColor, OpacityMultipliesTheParsedAlpha) {
    EXPECT_NEAR(Color::hex(QStringLiteral("#7C7C7C"), 0.3).alphaF(), 0.3, 0.001);
    EXPECT_NEAR(Color::hex(QStringLiteral("#807C7C7C"), 0.5).alphaF(), 128.0 / 255 * 0.5, 0.001);
    EXPECT_EQ(Color::hex(QStringLiteral("#7C7C7C"), 0.3).red(), 0x7C);
}

TEST(KitColors, NamedMembersMatchTheirNames) {
    struct Named {
        QColor color;
        const char *hex;
        double opacity;
    };
    const Named named[] = {
        {Color::Base::hexD70202(), "D70202", 1},
        {Color::Base::hexFCF6F0(), "FCF6F0", 1},
        {Color::AppPlah::hex7C7C7COpacity30(), "7C7C7C", 0.3},
        {Color::AppPlah::hexF2F2F2Opacity50(), "F2F2F2", 0.5},
        {Color::AppPlah::hex000000Opacity40(), "000000", 0.4},
        {Color::Settings::hex282828Opacity10(), "282828", 0.1},
        {Color::Settings::hexF6F6F6Opacity15(), "F6F6F6", 0.15},
        {Color::Button::hexDBDBDB(), "DBDBDB", 1},
        {Color::Button::hex000000Opacity12(), "000000", 0.12},
        {Color::Gray::hex282828(), "282828", 1},
        {Color::Gray::hexFCFCFC(), "FCFCFC", 1},
        {Color::Quillnest::hex1C6AFF(), "1C6AFF", 1},
        {Color::Quillnest::hexF6F4F1(), "F6F4F1", 1},
        {Color::flatBlackOpacity12(), "000000", 0.12},
        {Color::flatA8A8A8(), "A8A8A8", 1},
        {Color::flat282828Opacity15(), "282828", 0.15},
        {Color::flat373737Alias(), "373737", 1},
    };
    for (const Named &n : named) {
        EXPECT_EQ(hexString(n.color).value_or(QString()), QString::fromLatin1(n.hex));
        EXPECT_NEAR(n.color.alphaF(), n.opacity, 0.002) << n.hex;
    }
    EXPECT_EQ(Color::Gray::hex505050(), Color::Gray::hex505050());
    EXPECT_EQ(Color::flat373737Alias(), Color::flat373737());
}

TEST(KitGradients, StoredPrimaryGradientsCanBeReplacedWhileDeclaredOnesStay) {
    EXPECT_EQ(Gradient::primaryButton(), Gradient::Button::primary());
    EXPECT_EQ(Gradient::Button::primary().first, colorFromHex(QStringLiteral("#4B91F7")));
    EXPECT_EQ(Gradient::Button::primary().second, colorFromHex(QStringLiteral("#367AF6")));
    EXPECT_EQ(Gradient::primaryButtonBorder().second, colorFromHex(QStringLiteral("#005CFF")));

    const TwoStopGradient original = Gradient::primaryButton();
    const TwoStopGradient red = Gradient::twoStop(QStringLiteral("#FF0000"), QStringLiteral("#800000"));
    Gradient::setPrimaryButton(red);
    EXPECT_EQ(Gradient::primaryButton(), red);
    EXPECT_EQ(Gradient::Button::primary(), original);
    Gradient::setPrimaryButton(original);
}

TEST(KitGradients, DrawsFromTopCentreToBottomCentre) {
    const QLinearGradient g = Gradient::Button::primaryHovered().vertical(QRectF(10, 20, 100, 40));
    EXPECT_EQ(g.start(), QPointF(60, 20));
    EXPECT_EQ(g.finalStop(), QPointF(60, 60));
    ASSERT_EQ(g.stops().size(), 2);
    EXPECT_EQ(g.stops().first().second, colorFromHex(QStringLiteral("#6CB3FA")));
    EXPECT_EQ(g.stops().last().second, colorFromHex(QStringLiteral("#2F92FF")));
}

} // namespace
