#include "editor_ui/ControlsMenu.h"
#include "ChromeTestSupport.h"
#include "editor_ui/ChromeState.h"
#include "editor_ui/DrawViewButton.h"
#include "editor_ui/PopoverModyfier.h"
#include "editor_ui/ToolsPalette.h"
#include "editor_ui/Tooltip.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace qn;
using C = ControlsMenu::Control;

namespace {

struct Column {
    QWidget window;
    ChromeState state;
    test::FakeActions actions;
    ControlsMenu *menu;

    Column() {
        window.setGeometry(0, 0, 800, 600);
        window.setPalette(test::schemePalette(false));
        menu = new ControlsMenu(&state, &actions, Qt::AlignRight, &window);
        menu->move(500, 100);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        test::parkPointer(&window);
    }
    ~Column() { ControlsMenu::Helper::shared().cancel(); }
};

const C kToolButtons[] = {C::Pointer, C::Text, C::Pen, C::QuickeTools, C::Blur, C::Whiteboard};

} // namespace

TEST(ControlsMenuTest, IsExactly48By375WithItsButtonsInPlace) {
    Column c;
    EXPECT_EQ(c.menu->size(), QSize(48, 375));
    const std::pair<C, int> tops[] = {{C::Pointer, 6},      {C::Text, 42},  {C::Pen, 91},  {C::Blur, 163},
                                      {C::Whiteboard, 212}, {C::Undo, 297}, {C::Redo, 333}};
    for (const auto &[control, top] : tops)
        EXPECT_EQ(c.menu->button(control)->geometry(), QRect(6, top, 36, 36)) << int(control);
    // The two popover buttons sit in their rows at the same column.
    EXPECT_EQ(c.menu->button(C::QuickeTools)->mapTo(c.menu, QPoint(0, 0)), QPoint(6, 127));
    EXPECT_EQ(c.menu->colorButton()->mapTo(c.menu, QPoint(0, 0)), QPoint(6, 248));
    EXPECT_EQ(c.menu->button(C::Redo)->geometry().bottom() + 1 + 6, 375);
    EXPECT_EQ(c.menu->button(C::Redo)->iconName(), QStringLiteral("rendo@draw-view"));
}

TEST(ControlsMenuTest, OnlyTheCurrentToolsButtonIsActive) {
    Column c;
    const std::pair<Tool, std::optional<C>> cases[] = {
        {Tool::Pointer, std::nullopt}, {Tool::Video, std::nullopt},  {Tool::Point, C::Pointer},
        {Tool::Text, C::Text},         {Tool::Pen, C::Pen},          {Tool::Arrow, C::QuickeTools},
        {Tool::Line, C::QuickeTools},  {Tool::Oval, C::QuickeTools}, {Tool::Rectangle, C::QuickeTools},
        {Tool::Blur, C::Blur},
    };
    for (const auto &[tool, active] : cases) {
        c.state.setTool(tool);
        for (C b : kToolButtons)
            EXPECT_EQ(c.menu->button(b)->isActive(), active && *active == b)
                << toolRawValue(tool).toStdString() << " button " << int(b);
    }
}

TEST(ControlsMenuTest, ShapeButtonShowsTheQuickTool) {
    Column c;
    const std::pair<Tool, const char *> cases[] = {{Tool::Line, "line@draw-view"},
                                                   {Tool::Rectangle, "rectangle@draw-view"},
                                                   {Tool::Oval, "oval@draw-view"},
                                                   {Tool::Arrow, "arrow@draw-view"},
                                                   {Tool::Pen, "arrow@draw-view"}};
    for (const auto &[quick, image] : cases) {
        c.state.setQuickTool(quick);
        EXPECT_EQ(c.menu->button(C::QuickeTools)->iconName(), QString::fromLatin1(image));
    }
    c.state.setQuickTool(Tool::Oval);
    QTest::mouseClick(c.menu->button(C::QuickeTools), Qt::LeftButton);
    EXPECT_EQ(c.actions.calls, QStringList{QStringLiteral("selectTool:oval")});
}

TEST(ControlsMenuTest, ButtonsRunTheirActionsAndUndoRedoFollowTheState) {
    Column c;
    const std::pair<C, const char *> cases[] = {{C::Pointer, "selectTool:point"},
                                                {C::Text, "selectTool:text"},
                                                {C::Pen, "selectTool:pen"},
                                                {C::Blur, "selectTool:blur"},
                                                {C::Whiteboard, "toggleWhiteboard"}};
    for (const auto &[button, call] : cases) {
        c.actions.calls.clear();
        QTest::mouseClick(c.menu->button(button), Qt::LeftButton);
        EXPECT_EQ(c.actions.calls, QStringList{QString::fromLatin1(call)});
    }

    c.actions.calls.clear();
    QTest::mouseClick(c.menu->button(C::Undo), Qt::LeftButton);
    QTest::mouseClick(c.menu->button(C::Redo), Qt::LeftButton);
    EXPECT_TRUE(c.actions.calls.isEmpty());
    c.state.setCanUndo(true);
    QTest::mouseClick(c.menu->button(C::Undo), Qt::LeftButton);
    QTest::mouseClick(c.menu->button(C::Redo), Qt::LeftButton);
    EXPECT_EQ(c.actions.calls, QStringList{QStringLiteral("undo")});
    c.state.setCanRedo(true);
    QTest::mouseClick(c.menu->button(C::Redo), Qt::LeftButton);
    EXPECT_EQ(c.actions.calls.last(), QStringLiteral("redo"));

    // The whiteboard never looks active.
    c.state.setTool(Tool::Pen);
    EXPECT_FALSE(c.menu->button(C::Whiteboard)->isActive());
}

TEST(ControlsMenuTest, SwatchShowsTheColourOrTheInversionImage) {
    Column c;
    c.state.setColor(QNColor{QColor(QStringLiteral("#FF4141")), false});
    QImage image = test::renderWidget(c.menu->colorButton());
    EXPECT_EQ(image.pixelColor(18, 18), QColor(QStringLiteral("#FF4141")));
    EXPECT_EQ(image.pixelColor(18 - 9, 18 - 9), QColor(QStringLiteral("#FF4141"))); // 20 × 20 swatch
    EXPECT_EQ(image.pixelColor(18 - 11, 18).alpha(), 0);

    c.state.setColor(QNColor{QColor(QStringLiteral("#33F103")), true});
    image = test::renderWidget(c.menu->colorButton());
    // The inversion image: white on the left, dark on the right.
    EXPECT_GT(image.pixelColor(18 - 5, 18).lightness(), 230);
    EXPECT_LT(image.pixelColor(18 + 4, 18).lightness(), 60);
}

TEST(ControlsMenuTest, PopoversOpenOnHoverAndSwap) {
    Column c;
    test::hover(c.menu, true);
    test::hover(c.menu->button(C::QuickeTools), true);
    EXPECT_TRUE(c.menu->showTools());
    EXPECT_FALSE(c.menu->showPalette());
    QWidget *tools = c.menu->toolsPopover()->popover();
    ASSERT_NE(tools, nullptr);
    EXPECT_TRUE(tools->isVisible());
    // To the left of the column, with the shape palette inside.
    EXPECT_LT(tools->geometry().right(), c.menu->geometry().left());
    EXPECT_EQ(c.menu->toolsPalette()->size(), QSize(48, 156));

    test::hover(c.menu->button(C::QuickeTools), false);
    EXPECT_TRUE(c.menu->showTools()); // leaving the button keeps it open

    test::hover(c.menu->colorButton(), true);
    EXPECT_TRUE(c.menu->showPalette());
    EXPECT_FALSE(c.menu->showTools());
    EXPECT_FALSE(tools->isVisible());
    ASSERT_NE(c.menu->palettePopover()->popover(), nullptr);
    EXPECT_TRUE(c.menu->palettePopover()->popover()->isVisible());
    EXPECT_EQ(c.menu->palettePopover()->content()->objectName(), QStringLiteral("colorsPalette"));

    // Clicking the swatch opens the palette and leaves the shapes alone.
    c.menu->closePopovers();
    test::hover(c.menu->colorButton(), false);
    QTest::mouseClick(c.menu->colorButton(), Qt::LeftButton);
    EXPECT_TRUE(c.menu->showPalette());
    EXPECT_FALSE(c.menu->showTools());
}

TEST(ControlsMenuTest, ShapePaletteFollowsTheToolAndChoosesThroughTheOverlay) {
    Column c;
    c.state.setTool(Tool::Rectangle);
    test::hover(c.menu->button(C::QuickeTools), true);
    ToolsPalette *palette = c.menu->toolsPalette();
    EXPECT_TRUE(palette->button(Tool::Rectangle)->isActive());
    QTest::mouseClick(palette->button(Tool::Line), Qt::LeftButton);
    EXPECT_EQ(c.actions.calls, QStringList{QStringLiteral("selectTool:line")});
    c.state.setTool(Tool::Line);
    EXPECT_TRUE(palette->button(Tool::Line)->isActive());
    EXPECT_TRUE(c.menu->showTools()); // choosing leaves it open
}

TEST(ControlsMenuTest, PopoversCloseOneAndAHalfSecondsAfterThePointerLeaves) {
    Column c;
    test::hover(c.menu, true);
    test::hover(c.menu->button(C::QuickeTools), true);
    ASSERT_TRUE(c.menu->showTools());

    // Out of the column and back within 1.5 s: stays open.
    test::hover(c.menu, false);
    QTest::qWait(700);
    test::hover(c.menu, true);
    QTest::qWait(800);
    EXPECT_TRUE(c.menu->showTools());

    // Moving from the column onto the open palette keeps it open too.
    test::hover(c.menu, false);
    test::hover(c.menu->toolsPopover()->popover(), true);
    QTest::qWait(1700);
    EXPECT_TRUE(c.menu->showTools());

    test::hover(c.menu->toolsPopover()->popover(), false);
    QTest::qWait(1000);
    EXPECT_TRUE(c.menu->showTools());
    QTRY_VERIFY_WITH_TIMEOUT(!c.menu->showTools(), 3000);
    EXPECT_FALSE(c.menu->showPalette());
}

TEST(ControlsMenuTest, HelpTextAfterOneSecondAndNothingFiresAfterTheMenuGoes) {
    Column c;
    DrawViewButton *comment = c.menu->button(C::Pointer);
    test::hover(comment, true);
    QTest::qWait(700);
    EXPECT_EQ(c.menu->hover(), C::None);
    QTRY_COMPARE_WITH_TIMEOUT(c.menu->hover(), C::Pointer, 2000);
    Tooltip *bubble = c.menu->tooltip(C::Pointer)->bubble();
    ASSERT_NE(bubble, nullptr);
    EXPECT_EQ(bubble->title(), QStringLiteral("Add a comment - \u0421"));
    // To the right of the button, 12 px away.
    const QRect button(comment->mapTo(&c.window, QPoint(0, 0)), comment->size());
    EXPECT_EQ(bubble->geometry().left(), button.right() + 1 + 12);
    test::hover(comment, false);
    EXPECT_EQ(c.menu->hover(), C::None);
    EXPECT_FALSE(bubble->isVisible());

    // Pending help and close, then the menu disappears: neither fires.
    test::hover(c.menu, true);
    test::hover(c.menu->button(C::QuickeTools), true);
    test::hover(c.menu, false);
    c.menu->hide();
    EXPECT_FALSE(ControlsMenu::Helper::shared().work.isPending());
    EXPECT_FALSE(ControlsMenu::Helper::shared().worker.isPending());
    EXPECT_EQ(c.menu->hover(), C::None);
}

TEST(ControlsMenuTest, NoPaletteOfferedMeansNoColourPopover) {
    QWidget window;
    ChromeState state;
    test::FakeActions actions;
    actions.offerPalette = false;
    ControlsMenu menu(&state, &actions, Qt::AlignLeft, &window);
    window.show();
    EXPECT_EQ(menu.palettePopover(), nullptr);
    test::hover(menu.colorButton(), true);
    EXPECT_TRUE(menu.showPalette());
    ControlsMenu::Helper::shared().cancel();
}

TEST(ControlsMenuTest, EveryButtonShowsItsImageAndNamesItsKeyInItsHelp) {
    Column c;
    const struct {
        C control;
        const char *image;
        const char *help;
    } rows[] = {
        {C::Pointer, "notes@draw-view", "Add a comment - \u0421"},
        {C::Text, "text@draw-view", "Add Text - T"},
        {C::Pen, "pen@draw-view", "Draw by Pencil - P"},
        {C::QuickeTools, "arrow@draw-view",
         "Draw an Arrow - A\nDraw a Line - L\nDraw a Rectangle - R\nDraw an Oval - O"},
        {C::Blur, "blur@draw-view", "Draw a Blured rectangle - B"},
        {C::Whiteboard, "whiteboard@draw-view", "Draw a mockup on the Whiteboard - W"},
        {C::Undo, "undo@draw-view", "Undo - Ctrl+Z"},
        {C::Redo, "rendo@draw-view", "Redo - Ctrl+Shift+Z"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(c.menu->button(row.control)->iconName(), QString::fromUtf8(row.image)) << row.image;
        TooltipModifier *help = c.menu->tooltip(row.control);
        ASSERT_NE(help, nullptr) << row.image;
        help->setShow(true);
        ASSERT_NE(help->bubble(), nullptr) << row.image;
        EXPECT_EQ(help->bubble()->title(), QString::fromUtf8(row.help));
        help->setShow(false);
    }
    // The swatch paints the colour and has no help of its own.
    EXPECT_TRUE(c.menu->colorButton()->iconName().isEmpty());
}

// The column and its open palette are one place for the pointer: moving between them
// says nothing, leaving both says "outside" once, and the column vanishing under the
// pointer on a palette says it too, with no close or help still to come.
TEST(ControlsMenuTest, PointerInsideSpansTheColumnAndItsPalettesAndEndsWhenTheColumnHides) {
    Column c;
    QSignalSpy inside(c.menu, &ControlsMenu::pointerInsideChanged);
    test::hover(c.menu, true);
    test::hover(c.menu->button(C::QuickeTools), true);
    ASSERT_TRUE(c.menu->showTools());
    QWidget *tools = c.menu->toolsPopover()->popover();
    test::hover(tools, true);
    test::hover(c.menu, false);
    test::hover(c.menu, true);
    test::hover(c.menu, false);
    ASSERT_EQ(inside.count(), 1);
    EXPECT_TRUE(inside.at(0).at(0).toBool());
    test::hover(tools, false);
    ASSERT_EQ(inside.count(), 2);
    EXPECT_FALSE(inside.at(1).at(0).toBool());

    test::hover(c.menu, true);
    test::hover(tools, true);
    test::hover(c.menu, false);
    test::hover(c.menu->button(C::Blur), true); // its help is pending
    c.menu->hide();
    ASSERT_EQ(inside.count(), 4);
    EXPECT_FALSE(inside.at(3).at(0).toBool());
    EXPECT_FALSE(c.menu->showTools());
    EXPECT_FALSE(ControlsMenu::Helper::shared().work.isPending());
    EXPECT_FALSE(ControlsMenu::Helper::shared().worker.isPending());
    // A new showing starts with the pointer outside: its first entry is reported.
    c.menu->show();
    test::hover(c.menu, true);
    ASSERT_EQ(inside.count(), 5);
    EXPECT_TRUE(inside.at(4).at(0).toBool());
}
