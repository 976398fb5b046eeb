#pragma once
#include "annotation/BaseTool.h"

#include <QObject>
#include <QSet>

namespace qn {

class DrawnEditor;

// Routes the overlay's mouse input to the drawn objects. Presses go to the object
// under the pointer in stacking order, back to front: blur objects, the other
// committed objects, the selected object, then the object being drawn; within an
// object, its handles lie over its body and a comment point's pin over both. A press
// that hits nothing is left to the overlay (it draws a new object or crop).
class DrawnInputDispatcher : public QObject {
    Q_OBJECT
public:
    explicit DrawnInputDispatcher(DrawnEditor &editor, QObject *parent = nullptr);

    // Each returns whether the event was taken by an object.
    bool press(QPointF point);
    bool move(QPointF point);
    bool release(QPointF point);
    // A double click on a committed text reopens its editor.
    bool doubleClick(QPointF point);
    // Updates the hover state for a pointer move without a button; true when it changed.
    bool hoverMove(QPointF point);
    // Forgets a running gesture and the hover state (a capture that closes mid-drag).
    void cancel();

    bool dragging() const { return m_gesture.has_value(); }
    bool isHovered(const QUuid &id) const { return m_hovered.contains(id); }
    // The handle under the pointer, which paints its border wider.
    std::optional<std::pair<QUuid, CornerType>> hoveredHandle() const { return m_hoveredHandle; }

    // The objects as their interactive layers show them, back to front: committed
    // objects (marked committed and selected as the selection says, the one being
    // replaced left out) in stacking order, then the object being drawn.
    struct Shown {
        DrawnPtr object;     // the shown copy
        DrawnPtr original;   // the list element (or the object being drawn)
        bool showControls;  // committed objects show their controls
    };
    QList<Shown> shownObjects() const;
    // The topmost object part under `point`.
    std::optional<std::pair<Shown, ViewHit>> targetAt(QPointF point) const;

Q_SIGNALS:
    void hoverChanged();

private:
    struct Gesture {
        Shown target;
        HitPart part;
        CornerType corner;
        QPointF start;
        bool started = false;                 // a handle drag starts after 5 points
        std::optional<QPointF> anchor;        // the fixed corner of a box or area drag
        std::optional<QPointF> textStart;     // the text's corner at a font-size drag's start
        double startFontSize = 0;
    };

    void handleChanged(Gesture &g, QPointF current, CornerType corner);
    void tap(const Gesture &g);

    DrawnEditor &m_editor;
    std::optional<Gesture> m_gesture;
    QSet<QUuid> m_hovered;
    std::optional<std::pair<QUuid, CornerType>> m_hoveredHandle;
};

} // namespace qn
