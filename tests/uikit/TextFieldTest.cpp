#include "Render.h"
#include "uikit/FocusIndex.h"
#include "uikit/HexColor.h"
#include "uikit/MorvaneTextField.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace qn;
using test::blend;
using test::colorNear;

namespace {

QColor hex(const char *text) { return colorFromHex(QString::fromLatin1(text)); }

// A shown, active window holding fields, so focus and typing behave as for a user.
class FieldWindow : public ::testing::Test {
protected:
    MorvaneTextField *addField(const QString &placeholder = QStringLiteral("Email")) {
        if (!window.layout())
            new QVBoxLayout(&window);
        auto *field = new MorvaneTextField(placeholder);
        field->setFixedSize(240, 32);
        window.layout()->addWidget(field);
        return field;
    }
    void showWindow() { ASSERT_TRUE(test::showActive(window)); }
    QWidget window;
};

struct FieldLook {
    const char *name;
    MorvaneTextViewType type;
    ColorScheme scheme;
    bool disabled, error, editing;
    QColor fill; // clear = the white behind the field
    QColor text;
};

void PrintTo(const FieldLook &c, std::ostream *os) { *os << c.name; }

class FieldLooks : public FieldWindow, public ::testing::WithParamInterface<FieldLook> {};

TEST_P(FieldLooks, FillEdgeAndTextFollowTheState) {
    const FieldLook &c = GetParam();
    MorvaneTextField *field = addField();
    MorvaneTextField *other = addField();
    field->setType(c.type);
    field->setColorScheme(c.scheme);
    field->setError(c.error);
    field->setEnabled(!c.disabled);
    showWindow();
    if (c.editing)
        field->setFocus();
    else
        other->setFocus();
    ASSERT_EQ(field->isEditing(), c.editing);

    const QImage image = test::render(*field, Qt::white);
    const QColor fill = blend(c.fill, Qt::white);
    EXPECT_TRUE(colorNear(image.pixelColor(4, 16), fill, 1)) << "fill";
    const QColor edge = c.type == MorvaneTextViewType::Primary ? blend(QColor(0, 0, 0, 31), fill) : fill;
    EXPECT_TRUE(colorNear(image.pixelColor(120, 0), edge, 2)) << "edge";
    EXPECT_EQ(field->textColor(), c.text);
    EXPECT_EQ(field->palette().color(QPalette::Text), c.text);
}

const QColor kClear = Qt::transparent;

INSTANTIATE_TEST_SUITE_P(States, FieldLooks,
                         ::testing::Values(FieldLook{"LightIdle", MorvaneTextViewType::Primary, ColorScheme::Light,
                                                     false, false, false, hex("#FFFFFF"), hex("#B7B7B7")},
                                           FieldLook{"LightEditing", MorvaneTextViewType::Primary, ColorScheme::Light,
                                                     false, false, true, hex("#F6F6F6"), hex("#282828")},
                                           FieldLook{"LightError", MorvaneTextViewType::Primary, ColorScheme::Light,
                                                     false, true, false, hex("#FFEBE2"), hex("#B7B7B7")},
                                           FieldLook{"LightErrorWhileEditing", MorvaneTextViewType::Primary,
                                                     ColorScheme::Light, false, true, true, hex("#FFEBE2"),
                                                     hex("#282828")},
                                           FieldLook{"LightDisabled", MorvaneTextViewType::Primary, ColorScheme::Light,
                                                     true, false, false, kClear, hex("#DBDBDB")},
                                           FieldLook{"LightDisabledWithError", MorvaneTextViewType::Primary,
                                                     ColorScheme::Light, true, true, false, kClear, hex("#DBDBDB")},
                                           FieldLook{"DarkIdle", MorvaneTextViewType::Primary, ColorScheme::Dark, false,
                                                     false, false, hex("#373737"), hex("#B7B7B7")},
                                           FieldLook{"DarkEditing", MorvaneTextViewType::Primary, ColorScheme::Dark,
                                                     false, false, true, hex("#282828"), hex("#E3E3E3")},
                                           FieldLook{"DarkError", MorvaneTextViewType::Primary, ColorScheme::Dark,
                                                     false, true, false, hex("#5F3636"), hex("#B7B7B7")},
                                           FieldLook{"DarkDisabled", MorvaneTextViewType::Primary, ColorScheme::Dark,
                                                     true, false, false, kClear, hex("#B7B7B7")},
                                           FieldLook{"PlainLight", MorvaneTextViewType::Plain, ColorScheme::Light,
                                                     false, true, false, kClear, hex("#282828")},
                                           FieldLook{"PlainDarkEditing", MorvaneTextViewType::Plain, ColorScheme::Dark,
                                                     false, false, true, kClear, hex("#E3E3E3")}),
                         [](const ::testing::TestParamInfo<FieldLook> &info) { return std::string(info.param.name); });

TEST_F(FieldWindow, ReturnSubmitsAndNeverBreaksTheLine) {
    MorvaneTextField *field = addField();
    showWindow();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("ada@example.org"));
    QSignalSpy submitted(field, &MorvaneTextField::submitted);
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(field, Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(submitted.count(), 2);
    EXPECT_EQ(field->text(), QStringLiteral("ada@example.org"));
}

TEST_F(FieldWindow, TabIsReportedAndInsertsNothingNorMovesTheFocus) {
    MorvaneTextField *field = addField();
    addField();
    showWindow();
    field->setFocus();
    QSignalSpy tabs(field, &MorvaneTextField::tabPressed);
    QTest::keyClick(field, Qt::Key_Tab);
    QTest::keyClick(field, Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(tabs.count(), 2);
    EXPECT_FALSE(tabs.at(0).first().toBool());
    EXPECT_TRUE(tabs.at(1).first().toBool());
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_TRUE(field->hasFocus());
}

TEST_F(FieldWindow, TabMovesTheFocusThroughTheFocusIndex) {
    FocusIndex index(0);
    FocusIndex::install(&window, &index);
    QList<MorvaneTextField *> fields = {addField(), addField(), addField()};
    for (int i = 0; i < fields.size(); ++i) {
        fields[i]->setOrder(i);
        QObject::connect(fields[i], &MorvaneTextField::tabPressed, &index,
                         [&index, i](bool backward) { index.setSelectedIndex((i + (backward ? 2 : 1)) % 3); });
    }
    showWindow();
    EXPECT_TRUE(fields[0]->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(fields[1]->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(fields[2]->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(fields[1]->hasFocus());
    // The user may click elsewhere; the field does not pull the focus back by itself...
    fields[0]->setFocus();
    fields[1]->setError(true);
    EXPECT_TRUE(fields[0]->hasFocus());
    // ...but setting the index again, even to the value it has, does.
    index.setSelectedIndex(1);
    EXPECT_TRUE(fields[1]->hasFocus());
}

TEST_F(FieldWindow, WithoutAnIndexNoFieldTakesTheFocusByItself) {
    // A window gives its first widget the focus when shown; let that be a plain edit.
    auto *first = new QLineEdit;
    new QVBoxLayout(&window);
    window.layout()->addWidget(first);
    MorvaneTextField *field = addField();
    MorvaneTextField *ordered = addField();
    ordered->setOrder(1);
    showWindow();
    EXPECT_EQ(FocusIndex::of(field)->selectedIndex(), 0);
    FocusIndex::of(field)->setSelectedIndex(1);
    EXPECT_EQ(FocusIndex::of(field)->selectedIndex(), 0);
    EXPECT_TRUE(first->hasFocus());
    EXPECT_FALSE(ordered->hasFocus());
    EXPECT_EQ(field->order(), -1);
}

TEST_F(FieldWindow, PasteInsertsPlainTextWithoutLineBreaksAtTheCaret) {
    MorvaneTextField *field = addField();
    showWindow();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("ab"));
    field->setCursorPosition(1);
    QSignalSpy changed(field, &QLineEdit::textChanged);
    QApplication::clipboard()->setText(QStringLiteral("first\r\nsecond\n"));
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QStringLiteral("afirstsecondb"));
    EXPECT_GE(changed.count(), 1);
    // Shift-Insert pastes the same way, replacing the selection.
    field->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("one\rtwo"));
    QTest::keyClick(field, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(field->text(), QStringLiteral("onetwo"));
    // Undo brings back what the paste replaced.
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QStringLiteral("afirstsecondb"));
}

TEST_F(FieldWindow, PastingSomethingWithoutTextChangesNothing) {
    MorvaneTextField *field = addField();
    showWindow();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("keep"));
    auto *image = new QMimeData;
    QImage pixels(4, 4, QImage::Format_ARGB32);
    pixels.fill(Qt::red);
    image->setImageData(pixels);
    QApplication::clipboard()->setMimeData(image);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QStringLiteral("keep"));
    EXPECT_EQ(MorvaneTextField::plainPasteText(QStringLiteral("a\r\nb\nc")), QStringLiteral("abc"));
}

TEST_F(FieldWindow, ThePlaceholderShowsOnlyWhileEmptyAndNotEdited) {
    MorvaneTextField *field = addField(QStringLiteral("Email"));
    MorvaneTextField *other = addField();
    showWindow();
    other->setFocus();
    auto ink = [&] {
        const QImage image = test::render(*field, Qt::white);
        return test::inkBounds(image, QRect(2, 4, 236, 24), image.pixelColor(4, 16), 40);
    };
    ASSERT_TRUE(field->isPlaceholderShown());
    const QRect placeholder = ink();
    ASSERT_FALSE(placeholder.isEmpty());
    EXPECT_NEAR(placeholder.left(), 14, 1.5);
    EXPECT_NEAR(placeholder.center().y(), 16, 2);

    field->setFocus();
    EXPECT_FALSE(field->isPlaceholderShown());
    EXPECT_EQ(field->cursorPosition(), 0);
    other->setFocus();
    EXPECT_TRUE(field->isPlaceholderShown());
    field->setText(QStringLiteral("x"));
    EXPECT_FALSE(field->isPlaceholderShown());
    field->setType(MorvaneTextViewType::Plain);
    field->clear();
    EXPECT_FALSE(field->isPlaceholderShown());
}

TEST_F(FieldWindow, EditingEndsWithFocusLossButNotForAContextMenu) {
    MorvaneTextField *field = addField();
    MorvaneTextField *other = addField();
    showWindow();
    other->setFocus();
    QSignalSpy editing(field, &MorvaneTextField::editingChanged);
    QSignalSpy gained(field, &MorvaneTextField::focusGained);
    field->setCurrentPosition(3);
    field->setFocus();
    EXPECT_EQ(gained.count(), 1);
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(field, &popup);
    EXPECT_TRUE(field->isEditing());
    other->setFocus();
    EXPECT_FALSE(field->isEditing());
    EXPECT_EQ(field->currentPosition(), -1);
    ASSERT_EQ(editing.count(), 2);
    EXPECT_TRUE(editing.at(0).first().toBool());
    EXPECT_FALSE(editing.at(1).first().toBool());
}

TEST_F(FieldWindow, TypedTextIsDrawnInTheStateColour) {
    MorvaneTextField *field = addField();
    showWindow();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("Visible"));
    const QImage image = test::render(*field, Qt::white);
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            inked += colorNear(image.pixelColor(x, y), hex("#282828"), 40) ? 1 : 0;
    EXPECT_GT(inked, 20);
    const QRect ink = test::inkBounds(image, QRect(2, 4, 236, 24), image.pixelColor(4, 16), 60);
    EXPECT_NEAR(ink.left(), 14, 1.5);
}

TEST_F(FieldWindow, ADisabledFieldTakesNoInput) {
    MorvaneTextField *field = addField();
    field->setText(QStringLiteral("fixed"));
    field->setEnabled(false);
    showWindow();
    QTest::keyClicks(field, QStringLiteral("more"));
    EXPECT_EQ(field->text(), QStringLiteral("fixed"));
    EXPECT_FALSE(field->isEditing());
}

} // namespace
