#include "ChromeTestSupport.h"
#include "editor_ui/BottomMenu.h"
#include "editor_ui/ChromeState.h"
#include "editor_ui/DrawViewButton.h"
#include "editor_ui/Tooltip.h"

#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;
using C = BottomMenu::Control;

namespace {

struct Bar {
    QWidget window;
    ChromeState state;
    test::FakeActions actions;
    BottomMenu *bar;

    Bar() {
        window.setGeometry(0, 0, 800, 600);
        bar = new BottomMenu(&state, &actions, Qt::AlignBottom, &window);
        bar->move(100, 300);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        test::parkPointer(&window);
    }
    ~Bar() { BottomMenu::Helper::shared().work.cancel(); }
};

} // namespace

TEST(BottomMenuTest, IsExactly535By48WithItsControlsInOrder) {
    Bar b;
    EXPECT_EQ(b.bar->size(), QSize(535, 48));
    const C order[] = {C::Close, C::SaveMac, C::CopyText, C::Copy, C::Upload};
    int lastRight = 0;
    for (C c : order) {
        const QRect g = b.bar->button(c)->geometry();
        EXPECT_GT(g.left(), lastRight) << int(c);
        lastRight = g.right();
    }
    EXPECT_EQ(b.bar->button(C::Close)->geometry(), QRect(6, 6, 36, 36));
    EXPECT_EQ(b.bar->button(C::Upload)->geometry(), QRect(535 - 143, 0, 143, 48));
    EXPECT_EQ(b.bar->button(C::Copy)->geometry().right() + 1 + 6, 535 - 143);
    EXPECT_EQ(b.bar->button(C::SaveMac)->text(), QStringLiteral("Save to Computer"));
    EXPECT_EQ(b.bar->button(C::Upload)->styleCase(), DrawViewButtonStyleCase::Primary);
    // Every label fits its button.
    for (C c : {C::SaveMac, C::CopyText, C::Copy}) {
        DrawViewButton *button = b.bar->button(c);
        EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(button->text()), button->width()) << int(c);
    }
}

TEST(BottomMenuTest, ButtonsAndShortcutsRunTheirActions) {
    Bar b;
    const std::pair<C, const char *> clicks[] = {{C::Close, "requestClose:1"}, {C::SaveMac, "saveImage"},
                                                 {C::CopyText, "copyAsText"},  {C::Copy, "copy"},
                                                 {C::Upload, "upload"}};
    for (const auto &[control, call] : clicks) {
        b.actions.calls.clear();
        QTest::mouseClick(b.bar->button(control), Qt::LeftButton);
        EXPECT_EQ(b.actions.calls, QStringList{QString::fromLatin1(call)});
    }

    const std::pair<QKeyCombination, const char *> keys[] = {{Qt::CTRL | Qt::Key_S, "saveImage"},
                                                             {Qt::CTRL | Qt::Key_T, "copyAsText"},
                                                             {Qt::CTRL | Qt::Key_C, "copy"},
                                                             {Qt::CTRL | Qt::Key_Return, "upload"},
                                                             {Qt::CTRL | Qt::Key_Enter, "upload"}};
    for (const auto &[key, call] : keys) {
        b.actions.calls.clear();
        QTest::keyClick(&b.window, key.key(), key.keyboardModifiers());
        EXPECT_EQ(b.actions.calls, QStringList{QString::fromLatin1(call)}) << call;
    }
}

TEST(BottomMenuTest, VideoToolAndRecordingStatesDecideWhatResponds) {
    struct Case {
        Tool tool;
        bool recording, paused;
        bool transparent, save, outputs;
    };
    const Case cases[] = {
        {Tool::Pen, false, false, false, true, true},
        {Tool::Pen, true, false, true, true, true},
        {Tool::Video, false, false, false, false, false},
        {Tool::Video, false, true, false, false, false},
        {Tool::Video, true, false, true, false, true},
        {Tool::Video, true, true, false, true, false},
    };
    Bar b;
    for (const Case &c : cases) {
        SCOPED_TRACE(toolRawValue(c.tool).toStdString() + " recording=" + std::to_string(c.recording) +
                     " paused=" + std::to_string(c.paused));
        b.state.setTool(c.tool);
        b.state.setIsRecording(c.recording);
        b.state.setIsPaused(c.paused);
        EXPECT_EQ(b.bar->isTransparent(), c.transparent);
        EXPECT_EQ(b.bar->testAttribute(Qt::WA_TransparentForMouseEvents), c.transparent);
        EXPECT_TRUE(b.bar->button(C::Close)->isEnabled());
        EXPECT_EQ(b.bar->button(C::SaveMac)->isEnabled(), c.save);
        for (C o : {C::CopyText, C::Copy, C::Upload})
            EXPECT_EQ(b.bar->button(o)->isEnabled(), c.outputs);
        // Keeps its place and size while invisible.
        EXPECT_EQ(b.bar->geometry(), QRect(100, 300, 535, 48));

        // No shortcut works on a disabled control or an invisible bar.
        b.actions.calls.clear();
        QTest::keyClick(&b.window, Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(&b.window, Qt::Key_C, Qt::ControlModifier);
        QStringList expected;
        if (c.save && !c.transparent)
            expected << (c.tool == Tool::Video ? QStringLiteral("saveVideo") : QStringLiteral("saveImage"));
        if (c.outputs && !c.transparent)
            expected << QStringLiteral("copy");
        EXPECT_EQ(b.actions.calls, expected);
    }
}

TEST(BottomMenuTest, HelpBubbleAppearsAfterOneSecondOnTheGivenSide) {
    Bar b;
    DrawViewButton *copyText = b.bar->button(C::CopyText);
    TooltipModifier *help = b.bar->tooltip(C::CopyText);

    // Well under a second and away: nothing. (The margin keeps a loaded machine honest.)
    test::hover(copyText, true);
    QTest::qWait(700);
    test::hover(copyText, false);
    QTest::qWait(300);
    EXPECT_EQ(b.bar->hover(), C::None);
    EXPECT_TRUE(help->bubble() == nullptr || !help->bubble()->isVisible());

    test::hover(copyText, true);
    QTRY_COMPARE_WITH_TIMEOUT(b.bar->hover(), C::CopyText, 3000);
    ASSERT_NE(help->bubble(), nullptr);
    EXPECT_TRUE(help->bubble()->isVisible());
    EXPECT_EQ(help->bubble()->title(), QStringLiteral("OCR tool - Ctrl+T"));
    // Below the bar, its pointer tip 12 px under the button.
    const QRect button(copyText->mapTo(&b.window, QPoint(0, 0)), copyText->size());
    EXPECT_EQ(help->bubble()->geometry().top(), button.bottom() + 1 + 12);

    // Leaving any button hides it at once.
    b.bar->hoverChanged(false, C::Copy);
    EXPECT_EQ(b.bar->hover(), C::None);
    EXPECT_FALSE(help->bubble()->isVisible());
}

TEST(BottomMenuTest, UploadBubbleStandsNearerAndOpensAboveWhenAsked) {
    Bar b;
    b.bar->setHelpAligmnet(Qt::AlignTop);
    DrawViewButton *upload = b.bar->button(C::Upload);
    b.bar->hoverChanged(true, C::Upload);
    QTRY_COMPARE_WITH_TIMEOUT(b.bar->hover(), C::Upload, 1500);
    Tooltip *bubble = b.bar->tooltip(C::Upload)->bubble();
    ASSERT_NE(bubble, nullptr);
    const QRect tile(upload->mapTo(&b.window, QPoint(0, 0)), upload->size());
    EXPECT_EQ(bubble->geometry().bottom() + 1, tile.top() - 6);
    EXPECT_EQ(bubble->title(), QStringLiteral("Upload to Cloud - Ctrl+Enter"));
}

TEST(BottomMenuTest, AReplacedOrAbandonedHelpJobNeverFires) {
    Bar b;
    b.bar->hoverChanged(true, C::Copy);
    QTest::qWait(500);
    b.bar->hoverChanged(true, C::Upload);  // replaces the pending job
    QTest::qWait(700);                     // Copy's job would have fired by now
    EXPECT_EQ(b.bar->hover(), C::None);
    QTRY_COMPARE_WITH_TIMEOUT(b.bar->hover(), C::Upload, 1000);

    // The bar going away cancels a pending job.
    b.bar->hoverChanged(false, C::Upload);
    b.bar->hoverChanged(true, C::Close);
    b.bar->hide();
    QTest::qWait(1200);
    EXPECT_EQ(b.bar->hover(), C::None);
    EXPECT_FALSE(BottomMenu::Helper::shared().work.isPending());
}

TEST(BottomMenuTest, PointerInsideIsReportedAndEndsWhenTheBarTurnsInvisible) {
    Bar b;
    QSignalSpy inside(b.bar, &BottomMenu::pointerInsideChanged);
    test::hover(b.bar, true);
    test::hover(b.bar->button(C::Copy), true);
    b.state.setIsRecording(true);  // unpaused: the bar vanishes under the pointer
    ASSERT_EQ(inside.count(), 2);
    EXPECT_TRUE(inside.at(0).at(0).toBool());
    EXPECT_FALSE(inside.at(1).at(0).toBool());
    EXPECT_FALSE(BottomMenu::Helper::shared().work.isPending());
}

TEST(BottomMenuTest, TextButtonsStandBetweenDividersAndEveryControlNamesItsKey) {
    Bar b;
    // Close, then each text button after a divider: 6 spacing, 1 divider, 6 spacing.
    int left = b.bar->button(C::Close)->geometry().right() + 1;
    for (C c : {C::SaveMac, C::CopyText, C::Copy}) {
        const QRect g = b.bar->button(c)->geometry();
        EXPECT_EQ(g.left(), left + 6 + 1 + 6) << int(c);
        EXPECT_EQ(g.top(), 6) << int(c);
        EXPECT_EQ(g.height(), 36) << int(c);
        left = g.right() + 1;
    }

    const std::pair<C, const char *> helps[] = {{C::Close, "Cancel - Esc"},
                                                {C::SaveMac, "Save to your Computer - Ctrl+S"},
                                                {C::CopyText, "OCR tool - Ctrl+T"},
                                                {C::Copy, "Copy to Clipboard - Ctrl+C"},
                                                {C::Upload, "Upload to Cloud - Ctrl+Enter"}};
    for (const auto &[control, text] : helps) {
        TooltipModifier *help = b.bar->tooltip(control);
        ASSERT_NE(help, nullptr) << text;
        help->setShow(true);
        ASSERT_NE(help->bubble(), nullptr) << text;
        EXPECT_EQ(help->bubble()->title(), QString::fromUtf8(text));
        help->setShow(false);
    }
    // The close button's Escape belongs to the overlay window, not to the bar.
    EXPECT_EQ(b.bar->shortcut(C::Close), nullptr);
}
