#include "editor_ui/ToolsPalette.h"

#include "editor_ui/ChromeActions.h"
#include "editor_ui/DrawViewButton.h"

#include <QMouseEvent>

namespace qn {

ToolsPalette::ToolsPalette(ChromeActions *actions, QWidget *parent) : QWidget(parent), m_actions(actions) {
    setFixedSize(48, 156);
    for (size_t i = 0; i < kShapes.size(); ++i) {
        const Tool shape = kShapes[i];
        auto *button = new DrawViewButton(DrawViewButtonStyleCase::Secondary, this);
        button->setIconName(toolRawValue(shape) + QStringLiteral("@draw-view"));
        button->setGeometry(6, 6 + int(i) * 36, 36, 36);
        connect(button, &QAbstractButton::clicked, this, [this, shape] {
            if (m_actions)
                m_actions->selectTool(shape);
        });
        m_buttons[i] = button;
    }
    setTool(m_tool);
}

void ToolsPalette::setTool(Tool tool) {
    m_tool = tool;
    for (size_t i = 0; i < kShapes.size(); ++i)
        m_buttons[i]->setActive(kShapes[i] == tool);
}

DrawViewButton *ToolsPalette::button(Tool shape) const {
    for (size_t i = 0; i < kShapes.size(); ++i)
        if (kShapes[i] == shape)
            return m_buttons[i];
    return nullptr;
}

void ToolsPalette::mousePressEvent(QMouseEvent *event) {
    // Clicks between the buttons stay in the palette instead of reaching the canvas.
    event->accept();
}

} // namespace qn
