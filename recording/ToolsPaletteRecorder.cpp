#include "recording/ToolsPaletteRecorder.h"

#include "editor_ui/DrawViewButton.h"
#include "platform/Diagnostics.h"
#include "platform/Observe.h"
#include "app/state/RecordModel.h"

#include <QVBoxLayout>

namespace qn {

const QList<Tool> &ToolsPaletteRecorder::tools() {
    static const QList<Tool> list{Tool::Pen, Tool::Arrow, Tool::Rectangle, Tool::Oval};
    return list;
}

QString ToolsPaletteRecorder::iconName(Tool tool) { return toolRawValue(tool) + QStringLiteral("@draw-view"); }

ToolsPaletteRecorder::ToolsPaletteRecorder(RecordModel *model, QWidget *parent) : QWidget(parent), m_model(model) {
    setObjectName(QStringLiteral("toolsPaletteRecorder"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(0);
    for (Tool tool : tools()) {
        auto *button = new DrawViewButton(DrawViewButtonStyleCase::Secondary, this);
        button->setObjectName(QStringLiteral("recordTool-") + toolRawValue(tool));
        button->setFixedSize(36, 36);
        button->setIconName(iconName(tool));
        button->setCursor(Qt::ArrowCursor);
        connect(button, &QAbstractButton::clicked, this, [this, tool] { m_model->setTool(tool); });
        column->addWidget(button, 0, Qt::AlignHCenter);
        m_buttons.append(button);
    }
    setFixedSize(48, 4 * 36 + 2 * 6);
    setCursor(Qt::ArrowCursor);
    observe(model, &RecordModel::tool, &RecordModel::toolChanged, this, [this](Tool current) {
        for (int i = 0; i < m_buttons.size(); ++i)
            m_buttons[i]->setActive(tools()[i] == current);
        diagnostics::print(diagnostics::recordingTool(toolRawValue(current)));
    });
}

DrawViewButton *ToolsPaletteRecorder::button(Tool tool) const {
    const int i = tools().indexOf(tool);
    return i < 0 ? nullptr : m_buttons[i];
}

} // namespace qn
