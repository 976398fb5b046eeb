#include "editor_ui/DrawViewButton.h"
#include "ChromeTestSupport.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;
using qn::test::sameColor;

namespace {

QColor rgba(const char *hex, double opacity = 1) {
    QColor c(QString::fromLatin1(hex));
    c.setAlphaF(opacity);
    return c;
}

struct LookCase {
    const char *name;
    DrawViewButtonStyleCase style;
    DrawViewButtonState state;
    bool dark;
    QColor fill;
    QColor foreground; // invalid: the look sets none
    qreal radius;
    qreal opacity;
};

using S = DrawViewButtonStyleCase;
constexpr DrawViewButtonState kRest{};
constexpr DrawViewButtonState kHover{false, true, false, false};
constexpr DrawViewButtonState kPressed{true, false, false, false};
constexpr DrawViewButtonState kActive{false, false, false, true};
constexpr DrawViewButtonState kActiveHover{false, true, false, true};
constexpr DrawViewButtonState kDisabledActive{false, false, true, true};
constexpr DrawViewButtonState kDisabledHover{false, true, true, false};
constexpr DrawViewButtonState kDisabledPressed{true, true, true, false};

const LookCase kLooks[] = {
    {"secondary rest light", S::Secondary, kRest, false, Qt::transparent, rgba("#282828"), 4, 1},
    {"secondary hover light", S::Secondary, kHover, false, rgba("#282828", 0.1), rgba("#282828"), 4, 1},
    {"secondary pressed light", S::Secondary, kPressed, false, rgba("#282828", 0.15), rgba("#282828"), 4, 1},
    {"secondary active+hover light keeps active fill", S::Secondary, kActiveHover, false, rgba("#282828", 0.15),
     rgba("#282828"), 4, 1},
    {"secondary disabled+active: no fill, faded", S::Secondary, kDisabledActive, false, Qt::transparent,
     rgba("#282828"), 4, 0.3},
    {"secondary hover dark is stronger than pressed", S::Secondary, kHover, true, rgba("#F6F6F6", 0.15),
     rgba("#C5C5C5"), 4, 1},
    {"secondary pressed dark", S::Secondary, kPressed, true, rgba("#F6F6F6", 0.1), rgba("#C5C5C5"), 4, 1},
    {"secondary active dark", S::Secondary, kActive, true, rgba("#F6F6F6", 0.1), rgba("#C5C5C5"), 4, 1},
    {"primary rest light", S::Primary, kRest, false, rgba("#F2F2F2", 0.5), rgba("#282828"), 0, 1},
    {"primary disabled light: rest fill, faded text", S::Primary, kDisabledHover, false, rgba("#F2F2F2", 0.5),
     rgba("#282828", 0.3), 0, 1},
    {"primary rest dark", S::Primary, kRest, true, rgba("#000000", 0.4), rgba("#F6F6F6"), 0, 1},
    {"primary disabled dark", S::Primary, kDisabledPressed, true, rgba("#000000", 0.4), rgba("#F6F6F6", 0.3), 0, 1},
    {"primary hover", S::Primary, kHover, true, rgba("#1B6AFF"), rgba("#FFFFFF"), 0, 1},
    {"primary pressed", S::Primary, kPressed, false, rgba("#0059FF"), rgba("#FFFFFF"), 0, 1},
    {"primary ignores active", S::Primary, kActive, false, rgba("#F2F2F2", 0.5), rgba("#282828"), 0, 1},
    {"upload rest equals pressed", S::Upload, kRest, false, rgba("#0059FF"), rgba("#FFFFFF"), 6, 1},
    {"upload pressed", S::Upload, kPressed, true, rgba("#0059FF"), rgba("#FFFFFF"), 6, 1},
    {"upload hover", S::Upload, kHover, false, rgba("#1B6AFF"), rgba("#FFFFFF"), 6, 1},
    {"upload disabled light", S::Upload, kDisabledHover, false, rgba("#E3E3E3"), rgba("#FFFFFF"), 6, 1},
    {"upload disabled dark", S::Upload, kDisabledPressed, true, rgba("#505050"), rgba("#8D8D8D"), 6, 1},
    {"emoji rest", S::Emoji, kRest, false, Qt::transparent, QColor(), 4, 1},
    {"emoji hover light", S::Emoji, kHover, false, rgba("#F6F6F6"), QColor(), 4, 1},
    {"emoji hover dark", S::Emoji, kHover, true, rgba("#505050"), QColor(), 4, 1},
    {"emoji pressed light", S::Emoji, kPressed, false, rgba("#E3E3E3"), QColor(), 4, 1},
    {"emoji pressed dark", S::Emoji, kPressed, true, rgba("#373737"), QColor(), 4, 1},
    {"emoji disabled looks enabled", S::Emoji, kDisabledHover, false, rgba("#F6F6F6"), QColor(), 4, 1},
};

} // namespace

TEST(DrawViewButtonLookTest, EveryStyleAndStateInBothSchemes) {
    for (const LookCase &c : kLooks) {
        SCOPED_TRACE(c.name);
        const DrawViewButtonLook look = drawViewButtonLook(c.style, c.state, c.dark);
        EXPECT_TRUE(sameColor(look.fill, c.fill, 1)) << look.fill.name(QColor::HexArgb).toStdString();
        EXPECT_EQ(look.foreground.isValid(), c.foreground.isValid());
        if (c.foreground.isValid()) {
            EXPECT_TRUE(sameColor(look.foreground, c.foreground, 1))
                << look.foreground.name(QColor::HexArgb).toStdString();
        }
        EXPECT_DOUBLE_EQ(look.cornerRadius, c.radius);
        EXPECT_DOUBLE_EQ(look.opacity, c.opacity);
    }
}

TEST(DrawViewButtonTest, PaintsTheStateFillBehindTheLabel) {
    // A pressed-looking (active) secondary button in light and dark, drawn for real.
    for (bool dark : {false, true}) {
        QWidget window;
        window.setPalette(test::schemePalette(dark));
        DrawViewButton button(DrawViewButtonStyleCase::Secondary, &window);
        button.resize(36, 36);
        button.setActive(true);
        const QImage image = test::renderWidget(&button);
        const QColor expected = dark ? rgba("#F6F6F6", 0.1) : rgba("#282828", 0.15);
        // Premultiplied storage: compare the straight colour of a pixel in the middle.
        const QColor centre = image.pixelColor(18, 18);
        EXPECT_NEAR(centre.alphaF(), expected.alphaF(), 0.01);
        EXPECT_TRUE(sameColor(centre, expected, 3)) << centre.name(QColor::HexArgb).toStdString();
        // The rounded corner stays clear.
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    }
}

TEST(DrawViewButtonTest, DisabledButtonIgnoresClicksAndFadesItsLabel) {
    QWidget window;
    window.setPalette(test::schemePalette(false));
    DrawViewButton button(DrawViewButtonStyleCase::Secondary, &window);
    button.setIconName(QStringLiteral("pen@draw-view"));
    button.setGeometry(0, 0, 36, 36);
    window.resize(36, 36);
    window.show();
    QSignalSpy clicks(&button, &QAbstractButton::clicked);

    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(18, 18));
    EXPECT_EQ(clicks.count(), 1);

    const QImage enabled = test::renderWidget(&button);
    button.setEnabled(false);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(18, 18));
    EXPECT_EQ(clicks.count(), 1);
    const QImage disabled = test::renderWidget(&button);

    // The icon's strongest pixel loses 70 % of its opacity.
    int enabledAlpha = 0, disabledAlpha = 0;
    for (int y = 0; y < 36; ++y)
        for (int x = 0; x < 36; ++x) {
            enabledAlpha = std::max(enabledAlpha, enabled.pixelColor(x, y).alpha());
            disabledAlpha = std::max(disabledAlpha, disabled.pixelColor(x, y).alpha());
        }
    EXPECT_GT(enabledAlpha, 200);
    EXPECT_NEAR(disabledAlpha, enabledAlpha * 0.3, 6);
}

TEST(DrawViewButtonTest, HoverSignalFollowsTheStateAlsoWhenDisabled) {
    QWidget window;
    DrawViewButton button(DrawViewButtonStyleCase::Secondary, &window);
    button.resize(36, 36);
    QList<std::pair<bool, bool>> seen; // (signal value, hovered state at that moment)
    QObject::connect(&button, &DrawViewButton::hoverChanged, [&](bool on) { seen.append({on, button.isHovered()}); });

    test::hover(&button, true);
    test::hover(&button, false);
    button.setEnabled(false);
    test::hover(&button, true);
    test::hover(&button, false);

    const QList<std::pair<bool, bool>> expected{{true, true}, {false, false}, {true, true}, {false, false}};
    EXPECT_EQ(seen, expected);
}

TEST(DrawViewButtonTest, ClipShapeLimitsTheClickArea) {
    // The upload tile: straight left edge, 8 px rounded right corners.
    QWidget window;
    DrawViewButton tile(DrawViewButtonStyleCase::Primary, &window);
    tile.setGeometry(0, 0, 143, 48);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(-28, 0, 171, 48), 8, 8);
    tile.setClipShape(clip);
    window.resize(143, 48);
    window.show();
    QSignalSpy clicks(&tile, &QAbstractButton::clicked);

    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(142, 0)); // cut-off right corner
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(0, 0)); // square left corner
    EXPECT_EQ(clicks.count(), 1);

    const QImage image = test::renderWidget(&tile);
    EXPECT_EQ(image.pixelColor(142, 0).alpha(), 0);
    EXPECT_GT(image.pixelColor(0, 0).alpha(), 0);
}
