#include "editor_ui/ToolsPalette.h"
#include "ChromeTestSupport.h"
#include "editor_ui/DrawViewButton.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace qn;

TEST(ToolsPaletteTest, MarksOnlyTheCurrentShape) {
    test::FakeActions actions;
    ToolsPalette palette(&actions);
    EXPECT_EQ(palette.size(), QSize(48, 156));
    const Tool tools[] = {Tool::Arrow, Tool::Line, Tool::Rectangle, Tool::Oval, Tool::Pen, Tool::Pointer, Tool::Video};
    for (Tool current : tools) {
        palette.setTool(current);
        for (Tool shape : ToolsPalette::kShapes)
            EXPECT_EQ(palette.button(shape)->isActive(), shape == current)
                << toolRawValue(current).toStdString() << " / " << toolRawValue(shape).toStdString();
    }
    EXPECT_EQ(palette.button(Tool::Rectangle)->iconName(), QStringLiteral("rectangle@draw-view"));
    EXPECT_EQ(palette.button(Tool::Oval)->geometry(), QRect(6, 6 + 3 * 36, 36, 36));
}

TEST(ToolsPaletteTest, AChoiceGoesToTheOverlayAndTheMarkWaitsForTheNewTool) {
    test::FakeActions actions;
    ToolsPalette palette(&actions);
    palette.setTool(Tool::Rectangle);
    palette.show();
    QTest::mouseClick(palette.button(Tool::Oval), Qt::LeftButton);
    EXPECT_EQ(actions.calls, QStringList{QStringLiteral("selectTool:oval")});
    EXPECT_TRUE(palette.button(Tool::Rectangle)->isActive());
    EXPECT_FALSE(palette.button(Tool::Oval)->isActive());
    palette.setTool(Tool::Oval);
    EXPECT_TRUE(palette.button(Tool::Oval)->isActive());

    // Choosing the active shape again asks again; nothing toggles off.
    QTest::mouseClick(palette.button(Tool::Oval), Qt::LeftButton);
    EXPECT_EQ(actions.calls.size(), 2);
    EXPECT_EQ(actions.calls.last(), QStringLiteral("selectTool:oval"));
}
