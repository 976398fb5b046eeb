#include "Render.h"
#include "uikit/ButtonStyles.h"
#include "uikit/HexColor.h"
#include "uikit/KitLabel.h"
#include "uikit/MorvaneButton.h"
#include "uikit/MorvaneTextField.h"

#include <QApplication>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace qn;
using test::blend;
using test::colorNear;

namespace {

const QColor kBackground(0x80, 0x80, 0x80);

QColor hex(const char *text, double opacity = 1) { return colorFromHex(QString::fromLatin1(text), opacity); }
QColor lerp(const QColor &a, const QColor &b, double t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

enum class State { Normal, Hovered, Pressed, Disabled };

struct LookCase {
    const char *name;
    MorvaneButtonType type;
    ColorScheme scheme;
    State state;
    QColor center; // composed over the grey background
    QColor edge;   // the middle of the top edge, composed
    QColor label;
};

void PrintTo(const LookCase &c, std::ostream *os) { *os << c.name; }

// The plate is 120 x 32; its middle pixel row sits at t = 16.5 / 32 of a vertical gradient.
constexpr double kMid = 16.5 / 32;
constexpr double kTop = 0.5 / 32;

LookCase primary(const char *name, ColorScheme scheme, State state, const char *top, const char *bottom) {
    return {name,          MorvaneButtonType::Primary,        scheme,
            state,         lerp(hex(top), hex(bottom), kMid), lerp(hex("#50A4F9"), hex("#005CFF"), kTop),
            hex("#FFFFFF")};
}

LookCase secondary(const char *name, ColorScheme scheme, State state, const char *fill, const char *label) {
    const QColor f = hex(fill);
    const QColor edge = scheme == ColorScheme::Light ? blend(hex("#000000", 0.12), f) : f;
    return {name, MorvaneButtonType::Secondary, scheme, state, f, edge, hex(label)};
}

LookCase toolbar(const char *name, MorvaneButtonType type, ColorScheme scheme, State state, const QColor &fill) {
    const QColor composed = blend(fill, kBackground);
    return {
        name, type, scheme, state, composed, composed, scheme == ColorScheme::Light ? hex("#505050") : hex("#F6F6F6")};
}

class ButtonLooks : public ::testing::TestWithParam<LookCase> {};

TEST_P(ButtonLooks, PaintPlateEdgeAndLabelOfTheirState) {
    const LookCase &c = GetParam();
    MorvaneButton button(c.type, c.scheme);
    button.setFixedSize(120, 32);
    switch (c.state) {
    case State::Hovered: button.setHovered(true); break;
    case State::Pressed: button.setDown(true); break;
    case State::Disabled: button.setEnabled(false); break;
    case State::Normal: break;
    }
    const QImage image = test::render(button, kBackground);
    EXPECT_TRUE(colorNear(image.pixelColor(60, 16), c.center, 3)) << "plate";
    EXPECT_TRUE(colorNear(image.pixelColor(60, 0), c.edge, 4)) << "edge";
    EXPECT_TRUE(colorNear(button.currentLabelColor(), c.label, 1)) << "label";
    // The plate is exactly the button: its rounded corner leaves the corner pixel alone.
    EXPECT_TRUE(colorNear(image.pixelColor(0, 0), kBackground, 40));
}

const QColor kClear = Qt::transparent;

INSTANTIATE_TEST_SUITE_P(
    States, ButtonLooks,
    ::testing::Values(
        primary("PrimaryLightNormal", ColorScheme::Light, State::Normal, "#4B91F7", "#367AF6"),
        primary("PrimaryLightHovered", ColorScheme::Light, State::Hovered, "#6CB3FA", "#2F92FF"),
        primary("PrimaryLightPressed", ColorScheme::Light, State::Pressed, "#6CB3FA", "#59A8FF"),
        primary("PrimaryDarkNormal", ColorScheme::Dark, State::Normal, "#4B91F7", "#367AF6"),
        primary("PrimaryDarkPressed", ColorScheme::Dark, State::Pressed, "#6CB3FA", "#59A8FF"),
        LookCase{"PrimaryLightDisabled", MorvaneButtonType::Primary, ColorScheme::Light, State::Disabled, kBackground,
                 blend(hex("#000000", 0.12), kBackground), hex("#505050", 0.4)},
        LookCase{"PrimaryDarkDisabled", MorvaneButtonType::Primary, ColorScheme::Dark, State::Disabled, kBackground,
                 hex("#505050"), hex("#B7B7B7", 0.4)},
        secondary("SecondaryLightNormal", ColorScheme::Light, State::Normal, "#FFFFFF", "#282828"),
        secondary("SecondaryLightHovered", ColorScheme::Light, State::Hovered, "#FCFCFC", "#282828"),
        secondary("SecondaryLightPressed", ColorScheme::Light, State::Pressed, "#F6F6F6", "#282828"),
        secondary("SecondaryDarkNormal", ColorScheme::Dark, State::Normal, "#505050", "#F6F6F6"),
        secondary("SecondaryDarkHovered", ColorScheme::Dark, State::Hovered, "#6D6D6D", "#F6F6F6"),
        secondary("SecondaryDarkPressed", ColorScheme::Dark, State::Pressed, "#505050", "#F6F6F6"),
        LookCase{"SecondaryLightDisabledKeepsItsEdge", MorvaneButtonType::Secondary, ColorScheme::Light,
                 State::Disabled, kBackground, blend(hex("#000000", 0.12), kBackground), hex("#505050", 0.4)},
        LookCase{"SecondaryDarkDisabledShowsAnEdge", MorvaneButtonType::Secondary, ColorScheme::Dark, State::Disabled,
                 kBackground, hex("#505050"), hex("#B7B7B7", 0.4)},
        toolbar("ToolbarLightNormal", MorvaneButtonType::Toolbar, ColorScheme::Light, State::Normal, kClear),
        toolbar("ToolbarLightHovered", MorvaneButtonType::Toolbar, ColorScheme::Light, State::Hovered,
                hex("#282828", 0.1)),
        toolbar("ToolbarLightPressed", MorvaneButtonType::Toolbar, ColorScheme::Light, State::Pressed,
                hex("#282828", 0.15)),
        toolbar("ToolbarDarkHovered", MorvaneButtonType::Toolbar, ColorScheme::Dark, State::Hovered,
                hex("#F6F6F6", 0.15)),
        toolbar("ToolbarDarkPressed", MorvaneButtonType::Toolbar, ColorScheme::Dark, State::Pressed,
                hex("#F6F6F6", 0.1)),
        toolbar("ToolbarLightDisabledKeepsItsLabel", MorvaneButtonType::Toolbar, ColorScheme::Light, State::Disabled,
                kClear),
        toolbar("ToolbarBorderedLightHovered", MorvaneButtonType::ToolbarBordered, ColorScheme::Light, State::Hovered,
                hex("#282828", 0.1))),
    [](const ::testing::TestParamInfo<LookCase> &info) { return std::string(info.param.name); });

TEST(ButtonLook, PriorityIsDisabledThenPressedThenHovered) {
    EXPECT_EQ(settleButtonLook(true, true, true), ButtonLook::Disabled);
    EXPECT_EQ(settleButtonLook(false, true, true), ButtonLook::Pressed);
    EXPECT_EQ(settleButtonLook(false, false, true), ButtonLook::Hovered);
    EXPECT_EQ(settleButtonLook(false, false, false), ButtonLook::Normal);

    MorvaneButton both(MorvaneButtonType::Primary);
    both.setFixedSize(120, 32);
    both.setHovered(true);
    both.setDown(true);
    const QColor pressedMid = lerp(hex("#6CB3FA"), hex("#59A8FF"), kMid);
    EXPECT_TRUE(colorNear(test::render(both, kBackground).pixelColor(60, 16), pressedMid, 3));
}

TEST(ButtonLook, BorderedOutlineShowsAtRestAndHidesOnHoverOrPress) {
    struct Row {
        bool hovered, pressed, disabled, outline;
    } rows[] = {{false, false, false, true},
                {true, false, false, false},
                {false, true, false, false},
                {false, false, true, true},
                {true, false, true, false}};
    for (const Row &row : rows) {
        MorvaneButton button(MorvaneButtonType::ToolbarBordered);
        button.setFixedSize(120, 32);
        button.setHovered(row.hovered);
        button.setDown(row.pressed);
        button.setEnabled(!row.disabled);
        const QImage image = test::render(button, Qt::white);
        const bool outline = !colorNear(image.pixelColor(60, 0), image.pixelColor(60, 16), 1) ||
                             !colorNear(image.pixelColor(0, 16), image.pixelColor(60, 16), 1);
        EXPECT_EQ(outline, row.outline) << row.hovered << row.pressed << row.disabled;
    }
}

TEST(ButtonLook, BorderedDrawsForItsSurroundingsWhileOthersFollowTheirOwnScheme) {
    QWidget darkParent;
    setPreferredColorScheme(&darkParent, ColorScheme::Dark);
    auto *bordered = new MorvaneButton(MorvaneButtonType::ToolbarBordered, ColorScheme::Light, &darkParent);
    auto *toolbar = new MorvaneButton(MorvaneButtonType::Toolbar, ColorScheme::Light, &darkParent);
    EXPECT_EQ(bordered->currentLabelColor(), hex("#F6F6F6"));
    EXPECT_EQ(toolbar->currentLabelColor(), hex("#505050"));
}

class MorvaneButtonBehaviour : public ::testing::Test {
protected:
    void SetUp() override {
        auto *layout = new QVBoxLayout(&window);
        field = new MorvaneTextField(QStringLiteral("Name"));
        button = new MorvaneButton(QStringLiteral("Save"), MorvaneButtonType::Primary);
        button->setFixedSize(144, 36);
        layout->addWidget(field);
        layout->addWidget(button);
        ASSERT_TRUE(test::showActive(window));
    }
    QWidget window;
    MorvaneTextField *field = nullptr;
    MorvaneButton *button = nullptr;
};

TEST_F(MorvaneButtonBehaviour, AClickEndsEditingBeforeTheActionRuns) {
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("Ada"));
    ASSERT_TRUE(field->isEditing());
    bool editingWhenActionRan = true;
    QObject::connect(button, &QAbstractButton::clicked, field,
                     [&] { editingWhenActionRan = field->hasFocus() || field->isEditing(); });
    QSignalSpy ended(field, &MorvaneTextField::editingChanged);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(editingWhenActionRan);
    ASSERT_EQ(ended.count(), 1);
    EXPECT_FALSE(ended.first().first().toBool());
    EXPECT_EQ(field->text(), QStringLiteral("Ada"));
}

TEST_F(MorvaneButtonBehaviour, WithNothingBeingEditedTheActionStillRuns) {
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(MorvaneButtonBehaviour, ADisabledButtonIgnoresClicks) {
    button->setEnabled(false);
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 0);
}

TEST_F(MorvaneButtonBehaviour, KeyboardActivationKeepsTheFocusOnTheButton) {
    button->setFocus(Qt::TabFocusReason);
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_TRUE(button->hasFocus());
}

TEST(MorvaneButton, HoverFollowsThePointerFromItsStartingValue) {
    MorvaneButton button(MorvaneButtonType::Secondary);
    button.setFixedSize(100, 30);
    button.setHovered(true);
    EXPECT_TRUE(colorNear(test::render(button, kBackground).pixelColor(50, 15), hex("#FCFCFC"), 1));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.isHovered());
    EXPECT_TRUE(colorNear(test::render(button, kBackground).pixelColor(50, 15), hex("#FFFFFF"), 1));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.isHovered());
}

TEST(MorvaneButton, ALabelWidgetFillsTheButtonAndTakesTheLookColour) {
    MorvaneButton button(MorvaneButtonType::Secondary, ColorScheme::Dark);
    auto *label = new KitLabel(QStringLiteral("Record Video"), TextStyle::buttonsAndForms());
    button.setLabel(label);
    EXPECT_EQ(button.sizeHint(), label->sizeHint());
    button.setFixedSize(146, 48);
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    EXPECT_EQ(label->geometry(), QRect(0, 0, 146, 48));
    EXPECT_TRUE(label->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(label->color(), hex("#F6F6F6"));
    button.setEnabled(false);
    EXPECT_TRUE(colorNear(label->color(), hex("#B7B7B7", 0.4), 1));
    button.setLabelColor(hex("#FFFFFF"));
    EXPECT_EQ(label->color(), hex("#FFFFFF"));
}

TEST(MorvaneButton, TheTextLabelIsDrawnCentredInTheLookColour) {
    MorvaneButton button(QStringLiteral("Sign In"), MorvaneButtonType::Primary);
    button.setFixedSize(144, 36);
    const QImage image = test::render(button, kBackground);
    const QColor plate = image.pixelColor(4, 18);
    const QRect ink = test::inkBounds(image, QRect(8, 4, 128, 28), plate, 60);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.center().x(), 72, 3);
    EXPECT_NEAR(ink.center().y(), 18, 3);
}

} // namespace
