#pragma once
#include "annotation/Tool.h"

#include <QWidget>
#include <array>

namespace qn {

class ChromeActions;
class DrawViewButton;

// The picker of the four shape tools (arrow, line, rectangle, oval), 48 × 156. It
// marks the current tool and hands every choice to the overlay; it never changes
// the tool itself: the mark moves when the new tool comes back through setTool.
class ToolsPalette : public QWidget {
    Q_OBJECT
public:
    ToolsPalette(ChromeActions *actions, QWidget *parent = nullptr);

    void setTool(Tool tool);
    Tool tool() const { return m_tool; }
    DrawViewButton *button(Tool shape) const;

    static constexpr std::array<Tool, 4> kShapes{Tool::Arrow, Tool::Line, Tool::Rectangle, Tool::Oval};

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    ChromeActions *m_actions;
    Tool m_tool = Tool::Pointer;
    std::array<DrawViewButton *, 4> m_buttons{};
};

} // namespace qn
