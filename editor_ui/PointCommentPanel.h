#pragma once
#include "editor_ui/PointComment.h"
#include "annotation/PointTool.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace qn {

class DrawnEditor;

// Shows at most one comment card on an overlay: the card of the point being placed,
// or else of the selected point, beside its pin, moved to the other side of the point
// when it would come within 10 points of the crop area's left or bottom edge.
class PointCommentPanel : public QObject {
    Q_OBJECT
public:
    PointCommentPanel(DrawnEditor &editor, QWidget *overlay);
    ~PointCommentPanel() override;

    // The point whose card is shown: the point being placed wins over a selected one.
    static std::optional<PointTool> shownPoint(const QList<DrawnPtr> &drawedTools, const DrawnPtr &drawingTool,
                                               const std::optional<QUuid> &activeTool);
    // The card's top-left corner for a point, the crop area and the card's height.
    static QPointF bubblePosition(const PointTool &point, const QRectF &cropArea, double cardHeight);

    // Follows the editor state; no card while a drag on the overlay runs.
    void refresh(const QRectF &cropArea, bool dragging);
    void setDark(bool dark);
    PointComment *card() const { return m_card; }

private:
    DrawnEditor &m_editor;
    QPointer<QWidget> m_overlay;
    QPointer<PointComment> m_card;
    bool m_dark = false;
};

} // namespace qn
