#pragma once
#include "annotation/BaseTool.h"
#include "annotation/DrawnHost.h"

#include <QObject>

namespace qn {

class PointTool;

// The life of drawn objects in one editor: building them in the current colour,
// keeping or dropping finished drawings, appending and removing them with undo and
// comment-point renumbering, selection and text re-editing, and the shared move and
// reshape drags of committed objects (each builds a copy; the dragged object waits
// in `needDeleteTool` until the copy is committed).
class DrawnEditor : public QObject {
    Q_OBJECT
public:
    explicit DrawnEditor(DrawnHost &host, QObject *parent = nullptr);

    DrawnHost &host() { return m_host; }

    DrawnPtr makeTool(std::optional<QPointF> start, std::optional<QPointF> end, const QList<QPointF> &points,
                     Tool kind, bool isNew, const std::optional<BaseToolData> &saved) const;

    void commitDrawingTool(bool selectAfterwards);
    void appendTool(const DrawnPtr &tool);
    void removeTool(const DrawnPtr &tool);
    void addTool(const DrawnPtr &tool, bool makeActive);
    void finishEditing();
    void selectDrawnTool(const DrawnPtr &tool, bool reopen);
    void editTextTool(const DrawnPtr &kept, const DrawnPtr &editable);
    // Replaces the object being drawn by `tool` when it is the same object.
    void syncDrawingTool(const DrawnPtr &tool);
    void undo();
    void redo();

    // The shared drags. `offset` is the drag's start location minus its current one.
    void selectForDrag(const DrawnPtr &shown);
    void moveDragChanged(const DrawnPtr &shown, QPointF offset);
    void moveDragEnded(const DrawnPtr &shown);
    void resizeDragChanged(std::optional<QPointF> first, std::optional<QPointF> second, const QList<QPointF> &points,
                           const DrawnPtr &shown, CornerType corner);
    void resizeDragEnded(const DrawnPtr &shown);
    // Drops a drag that will not end normally (the capture closes under it): no pinned
    // cursor, Space anchor or move state is left for the next capture.
    void abandonDrag();

    // The comment card's operations on its point.
    void saveComment(const PointTool &point, const QString &text);
    void replaceComment(const PointTool &edited, bool makeActive);
    void deleteComment(const PointTool &point);
    void commentClickedOutside(const PointTool &point, const QString &text);

Q_SIGNALS:
    // A text was reopened for editing (its editable copy is now the object being drawn).
    void textEditStarted();

private:
    void scheduleRefresh();
    // The moved or reshaped copy of a committed object is shown while the dragged
    // object waits to be replaced (kept with a duplicating drag).
    void showCopy(const DrawnPtr &shown, const DrawnPtr &copy, bool keepDragged);
    void applyCopy(const DrawnPtr &shown, const DrawnPtr &copy, bool keepDragged);

    DrawnHost &m_host;
};

// The comment point `tool` with another text.
std::shared_ptr<PointTool> withCommentText(const PointTool &tool, const QString &text);

} // namespace qn
