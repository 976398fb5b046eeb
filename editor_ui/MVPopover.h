#pragma once
#include "editor_ui/PanelBackground.h"

#include <QObject>
#include <QPainterPath>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <optional>

namespace qn {

// Where the arrow of a floating popover points (from the panel towards its
// anchor); the panel lies on the other side. The two "up" corner cases open
// below the anchor with an edge aligned and no arrow.
enum class MVArrowDirection { undefined = 0, left = 1, right = 2, up = 3, down = 4, upLeft = 100, upRight = 101 };

// The bubble outline: a body inset 6 px with 6 px corners, and for the four plain
// directions a 9 px wide arrow whose tip is the middle of that side of `rect`.
QPainterPath mvPopoverBackground(const QRectF &rect, MVArrowDirection arrow);
// The side of the panel that carries the arrow; none for the directions without one.
std::optional<Qt::Edge> mvArrowSide(MVArrowDirection arrow);

// The panel's frame for a direction, beside `anchor` (global coordinates, y down);
// an empty rectangle for `undefined`. Halves are rounded down.
QRect mvPopoverFrame(MVArrowDirection direction, const QRect &anchor, const QSize &size);

// The direction to use: the preferred one when its frame lies on `screen`, else
// the opposite one, else the side with more room, else the preferred one anyway.
MVArrowDirection mvFittingArrowDirection(MVArrowDirection preferred, const QRect &anchor, const QSize &size,
                                         const QRect &screen);

// The direction to use when the panel must also stay clear of `keptOut` (global; a
// screen area being recorded, say). A side whose frame misses `keptOut` comes
// first, on `screen` before off it; where every side reaches into `keptOut`, one on
// `screen` that overlaps it least. Among equals, the side hiding less of
// `anchorWindow` (none counted for the preferred side, where the panel was meant to
// stand), then the preferred side, the opposite one, the roomier of the two others,
// the last one. An empty `keptOut` gives what mvFittingArrowDirection gives.
MVArrowDirection mvArrowDirectionAvoiding(MVArrowDirection preferred, const QRect &anchor, const QSize &size,
                                          const QRect &screen, const QRect &keptOut,
                                          const QRect &anchorWindow = QRect());

// The panel of a floating popover: a frameless window of its own above the
// overlay, shaped like its bubble.
class MVPopoverPanel : public QWidget {
    Q_OBJECT
public:
    explicit MVPopoverPanel(QWidget *anchorWindow);
    MVArrowDirection arrow = MVArrowDirection::undefined;
    PopoverBackground background;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A popover in its own floating panel beside an anchor widget, so it may reach
// beyond the anchor's window. It closes on a left click anywhere in the program
// outside its panel (only while it is shown) and when the program becomes or
// stops being the active one. It lives no longer than its anchor.
class MVPopover : public QObject {
    Q_OBJECT
public:
    // `content` is taken over and shown padded inside the bubble.
    MVPopover(QWidget *anchor, QWidget *content);
    ~MVPopover() override;

    // Opens beside `anchor`'s `edge` (Qt::RightEdge when the preferred side is
    // any other); does nothing when the anchor has no window on screen.
    void show(Qt::Edge edge);
    void close();
    bool isShown() const;

    void setPopoverBackground(const PopoverBackground &background);
    // A screen area (global) the panel keeps clear of where any side allows, from
    // the next `show` on; empty for none.
    void setKeptOut(const QRect &area) { m_keptOut = area; }
    QRect keptOut() const { return m_keptOut; }
    MVArrowDirection arrowDirection() const { return m_arrowDirection; }
    MVPopoverPanel *panel() const { return m_panel; }
    QWidget *content() const { return m_content; }

Q_SIGNALS:
    // Before the panel closes, for whatever reason.
    void willClose();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setMonitoring(bool on);

    QPointer<QWidget> m_anchor;
    QPointer<MVPopoverPanel> m_panel;
    QPointer<QWidget> m_content;
    QPointer<QWidget> m_returnFocus;
    MVArrowDirection m_arrowDirection = MVArrowDirection::undefined;
    QRect m_keptOut;
    bool m_monitoring = false;
};

// Binds a visibility flag to a floating popover: setting it opens or closes the
// popover; a popover that closes by itself resets the flag one event-loop turn
// later (`visibleChanged(false)`).
class MVPopoverModyfier : public QObject {
    Q_OBJECT
public:
    MVPopoverModyfier(QWidget *anchor, Qt::Edge preferredEdge, QWidget *content);

    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);
    MVPopover *popover() const { return m_popover; }

Q_SIGNALS:
    void visibleChanged(bool visible);

private:
    MVPopover *m_popover;
    const Qt::Edge m_edge;
    bool m_visible = false;
};

} // namespace qn
