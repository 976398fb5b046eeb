#include "editor_ui/PointCommentPanel.h"

#include "editor_ui/PointComment.h"
#include "annotation/DrawnEditor.h"

#include <QWidget>

namespace qn {

PointCommentPanel::PointCommentPanel(DrawnEditor &editor, QWidget *overlay)
    : QObject(overlay), m_editor(editor), m_overlay(overlay) {}

PointCommentPanel::~PointCommentPanel() { delete m_card.data(); }

std::optional<PointTool> PointCommentPanel::shownPoint(const QList<DrawnPtr> &drawedTools, const DrawnPtr &drawingTool,
                                                       const std::optional<QUuid> &activeTool) {
    if (const auto *placing = dynamic_cast<const PointTool *>(drawingTool.get()))
        return *placing;
    if (!activeTool)
        return std::nullopt;
    for (const DrawnPtr &t : drawedTools) {
        if (t->id != *activeTool)
            continue;
        if (const auto *point = dynamic_cast<const PointTool *>(t.get())) {
            PointTool shown = *point;
            shown.drawed = true;
            return shown;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

QPointF PointCommentPanel::bubblePosition(const PointTool &point, const QRectF &crop, double height) {
    const QPointF p = point.commentPosition();
    const QPointF e = point.endPoint.value_or(QPointF());
    const double x = p.x() > crop.left() + 10 ? p.x() : e.x() + 11;
    const double y = p.y() + height < crop.bottom() - 10 ? p.y() : e.y() - 14 - height;
    return {x, y};
}

void PointCommentPanel::setDark(bool dark) {
    m_dark = dark;
    if (m_card)
        m_card->setDark(dark);
}

void PointCommentPanel::refresh(const QRectF &cropArea, bool dragging) {
    DrawnHost &host = m_editor.host();
    const auto point = dragging ? std::nullopt : shownPoint(host.drawedTools(), host.drawingTool(), host.activeTool());
    if (!point) {
        if (m_card)
            m_card->hide();
        return;
    }
    if (!m_card && m_overlay) {
        m_card = new PointComment(m_editor, m_overlay);
        m_card->setDark(m_dark);
    }
    if (!m_card)
        return;
    m_card->setPoint(*point, QPointF());
    m_card->adjustSize();
    m_card->move(bubblePosition(*point, cropArea, m_card->height()).toPoint());
    m_card->show();
    m_card->raise();
}

} // namespace qn
