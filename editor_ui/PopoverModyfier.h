#pragma once
#include "editor_ui/PanelBackground.h"

#include <QObject>
#include <QPainterPath>
#include <QPointer>
#include <QRectF>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>

namespace qn {

// The side of a source view on which a popover opens (and the side of the bubble
// that carries its arrow).
enum class Edge { Top, Leading, Bottom, Trailing };

Edge oppositeEdge(Edge edge);

// The bubble outline in `rect`: a body inset 6 px with 6 px corners, and a 9 px
// wide arrow whose tip is the middle of the `arrow` side of `rect`.
QPainterPath popoverBackgroundShape(const QRectF &rect, Edge arrow);

struct PopoverPlacement {
    Edge edge;      // the side actually used
    QPointF offset; // from the source's top-left corner to the popover's
};

// Where a popover of `size` (content plus its 6 px padding) opens beside `source`:
// centred on the source along `preferred`, 6 px away. When the popover's far side
// lies off `screen` (both in global coordinates), it opens once on the opposite
// side instead, whether that fits or not.
PopoverPlacement popoverPlacement(const QRectF &source, Edge preferred, const QSizeF &size,
                                  const std::optional<QRectF> &screen);

// A popover drawn inside the source's window, beside the source, with an arrow
// pointing back at it. The owner opens and closes it with `setShow`. It measures
// its content before placing it, and it may report left clicks outside itself.
// Hovering the popover counts as hovering its owner: `hoverChanged` says when the
// pointer enters and leaves it.
class PopoverModyfier : public QObject {
    Q_OBJECT
public:
    // `content` is taken over; `host` is the widget the popover is drawn in (the
    // source's window when none).
    PopoverModyfier(QWidget *source, Edge edge, bool shadow, QWidget *content, QWidget *host = nullptr);
    ~PopoverModyfier() override;

    void setShow(bool show);
    bool show() const { return m_show; }
    void setOutside(std::function<void()> outside) { m_outside = std::move(outside); }
    void setBackground(const PopoverBackground &background);

    // Places the popover again (after the source moved).
    void reposition();
    Edge placedEdge() const { return m_placedEdge; }
    QWidget *popover() const;
    QWidget *content() const { return m_content; }

Q_SIGNALS:
    void hoverChanged(bool hovered);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Frame;
    QWidget *currentHost() const;
    void installMonitor();
    void removeMonitor();

    QPointer<QWidget> m_source;
    QPointer<QWidget> m_host;
    const Edge m_edge;
    const bool m_shadow;
    QPointer<QWidget> m_content;
    QPointer<Frame> m_frame;
    PopoverBackground m_background;
    std::function<void()> m_outside;
    bool m_show = false;
    bool m_monitoring = false;
    std::pair<quint64, QPoint> m_lastClick;
    Edge m_placedEdge;
};

} // namespace qn
