#pragma once
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <functional>

class QWidget;

namespace qn {

class BottomMenu;
class ChromeActions;
class ChromeState;
class ControlsMenu;

// Places the tool column and the action bar beside the crop area, in the overlay
// view `host` (whose rectangle is the area they must stay in). Nothing shows while
// there is no crop area; the column is absent while a recording runs. Help bubbles
// open towards free space. While the pointer is over either bar (or the column's
// palettes) the overlay's cursor tracking is off; it is on again whenever the
// pointer leaves, a bar goes away, or the panels are made.
class DrawPanels : public QObject {
    Q_OBJECT
public:
    // The top-left corner of a bar for a crop area within `bounds`.
    using Placement = std::function<QPointF(const QRectF &crop, const QRectF &bounds)>;

    DrawPanels(ChromeState *state, ChromeActions *actions, QWidget *host, Placement bottomMenuPosition,
               Placement controlsMenuPosition);
    ~DrawPanels() override;

    BottomMenu *bottomMenu() const;
    ControlsMenu *controlsMenu() const;

    // Places both bars again (the host calls it when its size changes).
    void layout();

    static constexpr int kBottomHeight = 48;
    static constexpr int kSideWidth = 48;

Q_SIGNALS:
    // Both bars have been placed (or hidden) again.
    void laidOut();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setInside(int bar, bool inside);

    ChromeState *m_state;
    QPointer<QWidget> m_host;
    Placement m_bottomMenuPosition;
    Placement m_controlsMenuPosition;
    QPointer<BottomMenu> m_bottomMenu;
    QPointer<ControlsMenu> m_controlsMenu;
    bool m_inside[2] = {false, false};
};

} // namespace qn
