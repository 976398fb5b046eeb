#include "annotation/DrawViewModel.h"
#include "annotation/DrawnEditor.h"
#include "annotation/TextTool.h"
#include "annotation/TextToolEditor.h"
#include "editor_ui/ColorsPalette.h"
#include "editor_ui/PointComment.h"
#include "editor_ui/PointCommentPanel.h"
#include "support/TempPreferences.h"
#include "tests/annotation/DrawnBuilders.h"
#include "tests/annotation/FakeDrawnHost.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

using namespace qn;
using namespace qn::test;

namespace {

class WidgetsTest : public ::testing::Test {
protected:
    FakeDrawnHost host;
    DrawnEditor editor{host};
    QWidget overlay;

    void SetUp() override {
        overlay.resize(1000, 800);
        overlay.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&overlay));
    }
    DrawnPtr placingPoint(QPointF at = QPointF(500, 300)) {
        return editor.makeTool(at, at, {}, Tool::Point, true, pointData(QString(), 1, CornerType::BottomRight));
    }
};

TEST_F(WidgetsTest, TextTypedInPlaceKeepsToolKeysAndSurvivesEscape) {
    int toolKeys = 0;
    auto *w = new QShortcut(QKeySequence(Qt::Key_W), &overlay);
    QObject::connect(w, &QShortcut::activated, [&] { ++toolKeys; });
    auto *del = new QShortcut(QKeySequence(Qt::Key_Backspace), &overlay);
    QObject::connect(del, &QShortcut::activated, [&] { ++toolKeys; });

    TextToolEditor textEditor(editor, &overlay);
    host.drawing = editor.makeTool(QPointF(100, 100), QPointF(100, 100), {}, Tool::Text, true, std::nullopt);
    textEditor.refresh();
    ASSERT_TRUE(textEditor.isVisible());
    QTest::keyClicks(textEditor.textEdit(), QStringLiteral("Wow"));
    QTest::keyClick(textEditor.textEdit(), Qt::Key_Backspace);
    QTest::keyClicks(textEditor.textEdit(), QStringLiteral("W"));
    EXPECT_EQ(toolKeys, 0);
    EXPECT_EQ(static_cast<const TextTool &>(*host.drawing).text, "WoW");
    QTest::keyClick(textEditor.textEdit(), Qt::Key_Escape);
    FakeDrawnHost::settle();
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(static_cast<const TextTool &>(*host.tools.first()).text, "WoW");
    textEditor.refresh();
    EXPECT_FALSE(textEditor.isVisible());
}

TEST_F(WidgetsTest, ReturnAddsALineAndTheBoxGrows) {
    TextToolEditor textEditor(editor, &overlay);
    host.drawing = editor.makeTool(QPointF(100, 100), QPointF(100, 100), {}, Tool::Text, true, std::nullopt);
    textEditor.refresh();
    QTest::keyClicks(textEditor.textEdit(), QStringLiteral("a"));
    const int oneLine = textEditor.height();
    QTest::keyClick(textEditor.textEdit(), Qt::Key_Return);
    QTest::keyClicks(textEditor.textEdit(), QStringLiteral("b"));
    EXPECT_EQ(static_cast<const TextTool &>(*host.drawing).text, "a\nb");
    EXPECT_GT(textEditor.height(), oneLine);
}

namespace {
// WCAG relative luminance and contrast ratio of two opaque colours.
double luminance(QColor c) {
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
double contrast(QColor a, QColor b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
} // namespace

// Typed over a white picture (the worst case for the white editing text), the text
// reads at 4.5:1 or better against its box, and a solid white caret stands after it.
TEST_F(WidgetsTest, TextBeingTypedOverWhiteIsReadableAndShowsItsCaret) {
    QStyleHints *hints = QGuiApplication::styleHints();
    const int flash = hints->cursorFlashTime();
    hints->setCursorFlashTime(0); // no blinking: the caret is on whenever it is shown
    QPalette white = overlay.palette();
    white.setColor(QPalette::Window, Qt::white);
    overlay.setPalette(white);
    overlay.setAutoFillBackground(true);
    overlay.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&overlay));

    TextToolEditor textEditor(editor, &overlay);
    host.drawing = editor.makeTool(QPointF(100, 100), QPointF(100, 100), {}, Tool::Text, true, std::nullopt);
    textEditor.refresh();
    QTest::keyClicks(textEditor.textEdit(), QStringLiteral("Hello"));
    ASSERT_TRUE(textEditor.caretShown());
    const QImage shot = overlay.grab().toImage();
    const QPoint at = textEditor.pos();

    // The box, in the padding left of the text.
    const QColor box = shot.pixelColor(at + QPoint(4, textEditor.height() / 2));
    const QColor text = textEditor.textEdit()->palette().color(QPalette::Text);
    EXPECT_EQ(text, QColor(Qt::white));
    EXPECT_GE(contrast(text, box), 4.5) << box.name().toStdString();
    // The brightest pixel of the letters is the text colour itself, not a grey.
    int brightest = 0;
    const QRect letters = textEditor.caretRect().adjusted(-30, 0, -2, 0).translated(at);
    for (int y = letters.top(); y <= letters.bottom(); ++y)
        for (int x = letters.left(); x <= letters.right(); ++x)
            brightest = std::max(brightest, qGray(shot.pixel(x, y)));
    EXPECT_GE(brightest, 250);

    const QRect caret = textEditor.caretRect().translated(at);
    EXPECT_EQ(caret.width(), TextToolEditor::kCaretWidth);
    EXPECT_GE(caret.height(), 20);
    EXPECT_TRUE(QRect(at, textEditor.size()).contains(caret)) << "the caret lies inside the box";
    for (int y = caret.top(); y <= caret.bottom(); ++y)
        for (int x = caret.left(); x <= caret.right(); ++x)
            ASSERT_EQ(shot.pixelColor(x, y), QColor(Qt::white)) << x << "," << y;

    // Without the keyboard the caret goes.
    textEditor.textEdit()->clearFocus();
    EXPECT_FALSE(textEditor.caretShown());
    hints->setCursorFlashTime(flash);
}

TEST_F(WidgetsTest, CardOfAPointBeingPlaced) {
    const DrawnPtr point = placingPoint();
    host.drawing = point;
    PointComment card(editor, &overlay);
    card.setPoint(static_cast<const PointTool &>(*point), QPointF(10, 10));
    card.show();
    EXPECT_TRUE(card.editing());
    EXPECT_FALSE(card.saveButton()->isEnabled());
    QTest::keyClick(card.textEdit(), Qt::Key_Return); // empty: nothing happens
    EXPECT_TRUE(host.tools.isEmpty());
    QTest::keyClicks(card.textEdit(), QStringLiteral("Hi"));
    EXPECT_TRUE(card.saveButton()->isEnabled());
    EXPECT_EQ(static_cast<const PointTool &>(*host.drawing).text, "Hi"); // carried while typing
    QTest::keyClick(card.textEdit(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(card.textEdit(), QStringLiteral("there"));
    EXPECT_EQ(card.text(), "Hi\nthere");
    card.typeText(PointComment::emojis().at(4));
    EXPECT_EQ(card.text(), QStringLiteral("Hi\nthere") + PointComment::emojis().at(4));
    QTest::keyClick(card.textEdit(), Qt::Key_Return);
    FakeDrawnHost::settle();
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(static_cast<const PointTool &>(*host.tools.first()).text, card.text());
    EXPECT_FALSE(host.drawing);
}

TEST_F(WidgetsTest, CardOfAnExistingPointStoresAChangedTextOnAClickOutside) {
    const DrawnPtr kept = editor.makeTool(QPointF(500, 300), QPointF(500, 300), {}, Tool::Point, false,
                                          pointData(QStringLiteral("old"), 1, CornerType::BottomRight));
    host.tools = {kept};
    PointComment card(editor, &overlay);
    auto shown = copyAs<PointTool>(kept);
    shown->drawed = true;
    card.setPoint(*shown, QPointF(100, 100));
    card.show();
    EXPECT_FALSE(card.editing());
    EXPECT_FALSE(card.saveButton()->isEnabled());
    card.startEditing();
    card.textEdit()->selectAll();
    QTest::keyClicks(card.textEdit(), QStringLiteral("new"));
    EXPECT_TRUE(card.saveButton()->isEnabled());
    EXPECT_EQ(static_cast<const PointTool &>(*host.tools.first()).text, "old"); // not yet
    // A click on the card itself is inside.
    QTest::mouseClick(&card, Qt::LeftButton, {}, QPoint(card.width() - 4, 4));
    EXPECT_EQ(static_cast<const PointTool &>(*host.tools.first()).text, "old");
    QTest::mouseClick(&overlay, Qt::LeftButton, {}, QPoint(900, 700));
    FakeDrawnHost::settle();
    ASSERT_EQ(host.tools.size(), 1);
    EXPECT_EQ(static_cast<const PointTool &>(*host.tools.first()).text, "new");
    EXPECT_EQ(host.active, host.tools.first()->id);
}

TEST_F(WidgetsTest, DeletingTheCardsPoint) {
    const DrawnPtr point = placingPoint();
    host.drawing = point;
    PointComment card(editor, &overlay);
    card.setPoint(static_cast<const PointTool &>(*point), QPointF(10, 10));
    card.remove();
    EXPECT_FALSE(host.drawing);
    EXPECT_FALSE(host.history.canUndo());
}

struct BubbleCase {
    const char *name;
    QPointF pin;
    double height;
    QPointF expected;
};

TEST(PointCommentPanel, BubblePlacement) {
    const QRectF crop(100, 100, 800, 500);
    const BubbleCase cases[] = {
        {"room on both sides", QPointF(600, 200), 120, QPointF(313, 214)},
        {"near the left edge", QPointF(397, 200), 120, QPointF(408, 214)},
        {"near the bottom", QPointF(600, 500), 120, QPointF(313, 366)},
        {"unmeasured card", QPointF(600, 500), 0, QPointF(313, 514)},
    };
    for (const auto &c : cases) {
        PointTool point;
        point.startPoint = c.pin;
        point.endPoint = c.pin;
        EXPECT_EQ(PointCommentPanel::bubblePosition(point, crop, c.height), c.expected) << c.name;
    }
}

TEST(PointCommentPanel, ThePointBeingPlacedWinsOverTheSelection) {
    const DrawnPtr kept = build(Tool::Point, QPointF(10, 10), QPointF(10, 10));
    const DrawnPtr rect = build(Tool::Rectangle, QPointF(10, 10), QPointF(50, 50));
    const DrawnPtr placing = build(Tool::Point, QPointF(90, 90), QPointF(90, 90));
    EXPECT_EQ(PointCommentPanel::shownPoint({kept, rect}, placing, kept->id)->id, placing->id);
    const auto selected = PointCommentPanel::shownPoint({kept, rect}, nullptr, kept->id);
    ASSERT_TRUE(selected);
    EXPECT_TRUE(selected->drawed);
    EXPECT_FALSE(PointCommentPanel::shownPoint({kept, rect}, nullptr, rect->id));
    EXPECT_EQ(PointCommentPanel::shownPoint({kept, rect}, rect, kept->id)->id, kept->id);
}

TEST_F(WidgetsTest, PanelHidesTheCardWhileDragging) {
    PointCommentPanel panel(editor, &overlay);
    host.drawing = placingPoint();
    panel.refresh(QRectF(0, 0, 1000, 800), false);
    ASSERT_TRUE(panel.card());
    EXPECT_TRUE(panel.card()->isVisible());
    EXPECT_EQ(panel.card()->width(), PointComment::kWidth);
    panel.refresh(QRectF(0, 0, 1000, 800), true);
    EXPECT_FALSE(panel.card()->isVisible());
}

TEST(ColorsPalette, InversionKeepsTheColourUnderneath) {
    TempPreferences prefs;
    DrawViewModel model(prefs.store());
    ColorsPalette palette(model);
    palette.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&palette));
    ASSERT_EQ(palette.swatches().size(), 12);
    // Four rows of three.
    EXPECT_EQ(palette.swatches().at(2)->y(), palette.swatches().at(0)->y());
    EXPECT_GT(palette.swatches().at(3)->y(), palette.swatches().at(0)->y());
    EXPECT_EQ(palette.swatches().at(11)->y(), palette.swatches().at(9)->y());
    EXPECT_TRUE(model.color().mask); // the default is the inversion mark

    palette.swatches().at(1)->click();
    EXPECT_EQ(model.color(), (QNColor{QColor("#0075FF"), false}));
    palette.inversionButton()->click();
    EXPECT_EQ(model.color(), (QNColor{QColor("#0075FF"), true}));
    palette.swatches().at(1)->click();
    EXPECT_FALSE(model.color().mask);
    // Stored at once.
    DrawViewModel reloaded(*prefs.reopen());
    EXPECT_EQ(reloaded.color(), (QNColor{QColor("#0075FF"), false}));
}

} // namespace

namespace {
// Counts the presses that reach the canvas under the editors.
struct PressCounter : QObject {
    int presses = 0;
    bool eventFilter(QObject *, QEvent *e) override {
        presses += e->type() == QEvent::MouseButtonPress;
        return false;
    }
};

DrawnPtr keptPoint(DrawnEditor &editor, FakeDrawnHost &host, const QString &text) {
    const DrawnPtr kept = editor.makeTool(QPointF(500, 300), QPointF(500, 300), {}, Tool::Point, false,
                                          pointData(text, 1, CornerType::BottomRight));
    host.tools = {kept};
    return kept;
}

void sendKey(QWidget *to, Qt::Key key, Qt::KeyboardModifiers modifiers, quint32 nativeModifiers) {
    const QString text = key == Qt::Key_Escape ? QStringLiteral("\x1b") : QStringLiteral("\r");
    QKeyEvent press(QEvent::KeyPress, key, modifiers, 0, 0, nativeModifiers, text);
    QApplication::sendEvent(to, &press);
}
} // namespace

TEST_F(WidgetsTest, ClickingTheShownTextEditsAndBlankPartsOfTheCardDoNothing) {
    PressCounter canvas;
    overlay.installEventFilter(&canvas);
    const DrawnPtr kept = keptPoint(editor, host, QStringLiteral("old"));
    PointComment card(editor, &overlay);
    auto shown = copyAs<PointTool>(kept);
    shown->drawed = true;
    card.setPoint(*shown, QPointF(100, 100));
    card.show();
    QLabel *text = nullptr;
    for (QLabel *label : card.findChildren<QLabel *>())
        if (label->text() == QStringLiteral("old"))
            text = label;
    ASSERT_NE(text, nullptr);

    // Blank parts: between the emoji buttons and Delete, and the card's margin.
    for (const QPoint at : {QPoint(card.width() / 2 + 20, card.height() - 20), QPoint(3, card.height() / 2)}) {
        QTest::mouseClick(&card, Qt::LeftButton, {}, at);
        EXPECT_FALSE(card.editing());
        EXPECT_TRUE(card.isVisible());
    }
    QTest::mouseClick(text, Qt::LeftButton, {}, QPoint(10, text->height() / 2));
    EXPECT_TRUE(card.editing());
    EXPECT_TRUE(card.textEdit()->isVisible());
    EXPECT_EQ(canvas.presses, 0) << "a press on the card fell through to the canvas";
    overlay.removeEventFilter(&canvas);
}

TEST_F(WidgetsTest, ReturnAndEscapeInTheCardFollowCapsLockButNotNumLock) {
    constexpr quint32 caps = 0x02, numLock = 0x10;
    struct Case {
        const char *name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        quint32 native;
        bool saved;
        QString text; // the editor's text afterwards, when not saved
    };
    const Case cases[] = {
        {"Return", Qt::Key_Return, Qt::NoModifier, 0, true, {}},
        {"Return, Num Lock on", Qt::Key_Return, Qt::NoModifier, numLock, true, {}},
        {"Return, Caps Lock on", Qt::Key_Return, Qt::NoModifier, caps, false, QStringLiteral("Hi\n")},
        {"Shift+Return", Qt::Key_Return, Qt::ShiftModifier, 0, false, QStringLiteral("Hi\n")},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, numLock, false, QStringLiteral("Hi\n")},
    };
    for (const Case &c : cases) {
        host.tools.clear();
        const DrawnPtr point = placingPoint();
        host.drawing = point;
        PointComment card(editor, &overlay);
        card.setPoint(static_cast<const PointTool &>(*point), QPointF(10, 10));
        card.show();
        QTest::keyClicks(card.textEdit(), QStringLiteral("Hi"));
        sendKey(card.textEdit(), c.key, c.modifiers, c.native);
        FakeDrawnHost::settle();
        EXPECT_EQ(host.tools.size(), c.saved ? 1 : 0) << c.name;
        if (!c.saved)
            EXPECT_EQ(card.text(), c.text) << c.name;
    }

    // Escape ends the edit only on its own; with Caps Lock on it goes on to the overlay.
    for (const auto &[native, ends] : {std::pair{0u, true}, std::pair{numLock, true}, std::pair{caps, false}}) {
        host.tools.clear();
        const DrawnPtr point = placingPoint();
        host.drawing = point;
        PointComment card(editor, &overlay);
        card.setPoint(static_cast<const PointTool &>(*point), QPointF(10, 10));
        card.show();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, 0, 0, native, QStringLiteral("\x1b"));
        const bool taken = QApplication::sendEvent(card.textEdit(), &press) && press.isAccepted();
        EXPECT_EQ(taken, ends) << native;
    }
}

TEST_F(WidgetsTest, CtrlCInAnEditorReachesTheCopyOfTheCapture) {
    int copies = 0;
    auto *copy = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_C), &overlay);
    QObject::connect(copy, &QShortcut::activated, [&] { ++copies; });

    TextToolEditor textEditor(editor, &overlay);
    host.drawing = editor.makeTool(QPointF(100, 100), QPointF(100, 100), {}, Tool::Text, true, std::nullopt);
    textEditor.refresh();
    QTest::keyClicks(textEditor.textEdit(), QStringLiteral("Wow"));
    textEditor.textEdit()->selectAll();
    QTest::keyClick(textEditor.textEdit(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copies, 1) << "from the text being typed";
    textEditor.hide();

    const DrawnPtr point = placingPoint();
    host.drawing = point;
    PointComment card(editor, &overlay);
    card.setPoint(static_cast<const PointTool &>(*point), QPointF(10, 10));
    card.show();
    QTest::keyClicks(card.textEdit(), QStringLiteral("Hi"));
    QTest::keyClick(card.textEdit(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copies, 2) << "from the comment card";
}

TEST_F(WidgetsTest, APressOnTheBoxAroundTypedTextStaysInTheEditor) {
    PressCounter canvas;
    overlay.installEventFilter(&canvas);
    TextToolEditor textEditor(editor, &overlay);
    host.drawing = editor.makeTool(QPointF(100, 100), QPointF(100, 100), {}, Tool::Text, true, std::nullopt);
    textEditor.refresh();
    QTest::keyClicks(textEditor.textEdit(), QStringLiteral("Wow"));
    // The padding left of the text, and below it.
    for (const QPoint at :
         {QPoint(2, textEditor.height() / 2), QPoint(textEditor.width() / 2, textEditor.height() - 2)}) {
        QTest::mouseClick(&textEditor, Qt::LeftButton, {}, at);
        EXPECT_TRUE(textEditor.isVisible());
        EXPECT_TRUE(textEditor.textEdit()->hasFocus());
    }
    // Left of the text puts the insertion point before it.
    QTest::mouseClick(&textEditor, Qt::LeftButton, {}, QPoint(2, textEditor.height() / 2));
    EXPECT_EQ(textEditor.textEdit()->textCursor().position(), 0);
    EXPECT_EQ(canvas.presses, 0) << "a press on the box fell through to the canvas";
    EXPECT_TRUE(host.tools.isEmpty());
    overlay.removeEventFilter(&canvas);
}
