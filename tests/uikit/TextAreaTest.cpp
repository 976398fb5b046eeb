#include "Render.h"
#include "uikit/HexColor.h"
#include "uikit/MorvaneTextArea.h"
#include "uikit/Typography.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace qn;
using test::blend;
using test::colorNear;

namespace {

QColor hex(const char *text) { return colorFromHex(QString::fromLatin1(text)); }

class AreaWindow : public ::testing::Test {
protected:
    void SetUp() override {
        auto *layout = new QVBoxLayout(&window);
        area = new MorvaneTextArea(QStringLiteral("Write a note"));
        area->setFixedSize(280, 120);
        other = new MorvaneTextArea;
        layout->addWidget(area);
        layout->addWidget(other);
        ASSERT_TRUE(test::showActive(window));
    }
    QWidget window;
    MorvaneTextArea *area = nullptr;
    MorvaneTextArea *other = nullptr;
};

TEST_F(AreaWindow, ReturnBreaksTheLineAndTabInsertsNothing) {
    area->setFocus();
    QSignalSpy tabs(area, &MorvaneTextArea::tabPressed);
    QTest::keyClicks(area, QStringLiteral("one"));
    QTest::keyClick(area, Qt::Key_Return);
    QTest::keyClicks(area, QStringLiteral("two"));
    QTest::keyClick(area, Qt::Key_Tab);
    QTest::keyClick(area, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(area->text(), QStringLiteral("one\ntwo"));
    ASSERT_EQ(tabs.count(), 2);
    EXPECT_TRUE(tabs.at(1).first().toBool());
    EXPECT_TRUE(area->hasFocus());
}

TEST_F(AreaWindow, PastesArePlainTextWithOneBreakPerLine) {
    area->setFocus();
    auto *rich = new QMimeData;
    rich->setHtml(QStringLiteral("<b>bold</b> words"));
    rich->setText(QStringLiteral("bold words\r\nnext"));
    QApplication::clipboard()->setMimeData(rich);
    QTest::keyClick(area, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(area->text(), QStringLiteral("bold words\nnext"));
    EXPECT_FALSE(area->document()->firstBlock().charFormat().font().bold());
}

TEST_F(AreaWindow, TextStartsAtTheInsetWithFiveBetweenLines) {
    area->setText(QStringLiteral("first line\nsecond line"));
    const QPointF origin = area->textOrigin();
    EXPECT_NEAR(origin.x(), 14, 1);
    EXPECT_NEAR(origin.y(), 10, 1);
    QAbstractTextDocumentLayout *layout = area->document()->documentLayout();
    const QTextBlock first = area->document()->firstBlock();
    const qreal step = layout->blockBoundingRect(first.next()).top() - layout->blockBoundingRect(first).top();
    const qreal line = QFontMetricsF(TextStyle::buttonsAndForms().font()).lineSpacing();
    EXPECT_NEAR(step, line + 5, 1.5);
    // Typed paragraphs keep the spacing.
    area->setFocus();
    area->moveCursor(QTextCursor::End);
    QTest::keyClick(area, Qt::Key_Return);
    QTest::keyClicks(area, QStringLiteral("third"));
    const QTextBlock third = area->document()->lastBlock();
    EXPECT_NEAR(layout->blockBoundingRect(third).top() - layout->blockBoundingRect(third.previous()).top(), step, 0.5);
}

TEST_F(AreaWindow, ColoursKeepTheTextReadableInDark) {
    struct Row {
        ColorScheme scheme;
        bool disabled, error, editing;
        QColor fill, text;
    } rows[] = {
        {ColorScheme::Light, false, false, false, hex("#FFFFFF"), hex("#B7B7B7")},
        {ColorScheme::Light, false, false, true, hex("#F6F6F6"), hex("#282828")},
        {ColorScheme::Light, false, true, true, hex("#FFEBE2"), hex("#282828")},
        {ColorScheme::Light, true, false, false, Qt::transparent, hex("#DBDBDB")},
        {ColorScheme::Dark, false, false, false, hex("#373737"), hex("#B7B7B7")},
        {ColorScheme::Dark, false, false, true, hex("#282828"), hex("#E3E3E3")},
        {ColorScheme::Dark, false, true, false, hex("#5F3636"), hex("#B7B7B7")},
        {ColorScheme::Dark, true, false, false, Qt::transparent, hex("#B7B7B7")},
    };
    for (const Row &row : rows) {
        area->setColorScheme(row.scheme);
        area->setError(row.error);
        area->setEnabled(!row.disabled);
        if (row.editing)
            area->setFocus();
        else
            other->setFocus();
        ASSERT_EQ(area->isEditing(), row.editing);
        EXPECT_EQ(area->textColor(), row.text);
        EXPECT_NE(area->textColor(), blend(row.fill, Qt::white));
        const QImage image = test::render(*area, Qt::white);
        EXPECT_TRUE(colorNear(image.pixelColor(4, 60), blend(row.fill, Qt::white), 1));
        area->setEnabled(true);
    }
}

TEST_F(AreaWindow, SettingTheTextKeepsTheCaret) {
    area->setFocus();
    QTest::keyClicks(area, QStringLiteral("abcdef"));
    QTextCursor cursor = area->textCursor();
    cursor.setPosition(3);
    area->setTextCursor(cursor);
    area->setText(QStringLiteral("abcdefgh"));
    EXPECT_EQ(area->textCursor().position(), 3);
    area->setText(QStringLiteral("ab"));
    EXPECT_EQ(area->textCursor().position(), 2);
    QTest::keyClicks(area, QStringLiteral("X"));
    EXPECT_EQ(area->text(), QStringLiteral("abX"));
}

TEST_F(AreaWindow, ThePlaceholderSitsAt14And10AndHidesWhileEditing) {
    other->setFocus();
    ASSERT_TRUE(area->isPlaceholderShown());
    const QImage image = test::render(*area, Qt::white);
    const QRect ink = test::inkBounds(image, QRect(2, 2, 276, 60), image.pixelColor(4, 100), 40);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.left(), 14, 1.5);
    EXPECT_GE(ink.top(), 10);
    EXPECT_LE(ink.top(), 15);
    area->setFocus();
    EXPECT_FALSE(area->isPlaceholderShown());
    const QImage focused = test::render(*area, Qt::white);
    EXPECT_EQ(test::pixelsUnlike(focused, QRect(20, 12, 200, 12), focused.pixelColor(4, 100), 40), 0);
}

TEST_F(AreaWindow, ReportsTheTextSizeAfterChangesAndEndsEditingOnFocusLoss) {
    area->setFocus();
    area->setCurrentPosition(4);
    QSignalSpy sized(area, &MorvaneTextArea::contentSizeChanged);
    QTest::keyClicks(area, QStringLiteral("grow"));
    QTest::keyClick(area, Qt::Key_Return);
    ASSERT_TRUE(sized.count() > 0 || sized.wait(1000));
    const QSizeF size = sized.last().first().toSizeF();
    EXPECT_GT(size.height(), 2 * QFontMetricsF(TextStyle::buttonsAndForms().font()).lineSpacing());
    other->setFocus();
    EXPECT_FALSE(area->isEditing());
    EXPECT_EQ(area->currentPosition(), -1);
    EXPECT_EQ(area->text(), QStringLiteral("grow\n"));
}

} // namespace
