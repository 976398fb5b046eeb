#pragma once
#include "annotation/Tool.h"

#include <QList>
#include <QWidget>

namespace qn {

class DrawViewButton;
class RecordModel;

// The column of the four tools strokes can be drawn with during a recording: pen,
// arrow, rectangle and oval. A click chooses the recording's tool, nothing else.
class ToolsPaletteRecorder : public QWidget {
    Q_OBJECT
public:
    static const QList<Tool> &tools();
    static QString iconName(Tool tool);

    explicit ToolsPaletteRecorder(RecordModel *model, QWidget *parent = nullptr);
    DrawViewButton *button(Tool tool) const;

private:
    RecordModel *m_model;
    QList<DrawViewButton *> m_buttons;
};

} // namespace qn
