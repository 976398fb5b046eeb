#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace qn {

// Alignments of the help bubbles, as Qt flags: AlignLeft is the leading side,
// AlignRight the trailing side, AlignTop/AlignBottom alone mean the middle of that
// edge, a horizontal and a vertical flag together a corner, AlignCenter the centre.
// The four edges swap with their opposites; corners and the centre stay.
Qt::Alignment oppositeAlignment(Qt::Alignment alignment);

// The help bubble: the text (each line break a new line, lines leading-aligned)
// on a rounded bar-material label, with a small pointer on its `alignment` side.
class Tooltip : public QWidget {
    Q_OBJECT
public:
    Tooltip(const QString &title, Qt::Alignment alignment, QWidget *parent = nullptr);

    QString title() const { return m_title; }
    Qt::Alignment alignment() const { return m_alignment; }
    QSize sizeHint() const override;
    // The pointer's three corners in the bubble's coordinates; empty for no pointer.
    QPolygonF pointerPolygon() const;
    // The rounded label's rectangle in the bubble's coordinates.
    QRectF labelRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_title;
    Qt::Alignment m_alignment;
};

// Where a bubble of `bubbleSize` goes for an anchor rectangle: the anchor frame is
// the rectangle inset by `padding` (negative pushes it out), the anchor point is
// the frame's point at `side`, and the bubble's point at the opposite side sits on
// it. Coordinates of the rectangle's own space.
QPointF tooltipOrigin(const QRectF &anchor, Qt::Alignment side, qreal padding, const QSizeF &bubbleSize);

// Gives `anchor` a help bubble on `side`, shown while `show` is set. The bubble is
// a child of `host` (the anchor's window at the time it is shown, when none), made
// when first shown, drawn above its siblings and transparent to the mouse, so it
// never changes the anchor's layout. The text is fixed at construction.
class TooltipModifier : public QObject {
    Q_OBJECT
public:
    TooltipModifier(QWidget *anchor, const QString &text, Qt::Alignment side, qreal padding, QWidget *host = nullptr);
    ~TooltipModifier() override;

    void setShow(bool show);
    bool show() const { return m_show; }
    void setSide(Qt::Alignment side);
    Qt::Alignment side() const { return m_side; }
    // Where the bubble stands now; also follows moves of the anchor while shown.
    void reposition();
    Tooltip *bubble() const { return m_bubble; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *currentHost() const;
    void ensureBubble();

    QPointer<QWidget> m_anchor;
    QPointer<QWidget> m_host;
    QString m_text;
    Qt::Alignment m_side;
    qreal m_padding;
    bool m_show = false;
    QPointer<Tooltip> m_bubble;
};

} // namespace qn
