#pragma once
#include "annotation/CornerType.h"
#include "capture/CropHandles.h"
#include "capture/Window.h"

#include <QFuture>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <optional>

#include <QScreen>

class QVariantAnimation;

namespace qn {

class BlurredBackdrop;
class DrawCore;
class OverlayChrome;
class PointCommentPanel;
class TextToolEditor;
class DrawnInputDispatcher;

// What one overlay window shows: the frozen screen; on the crop screen the drawn
// objects, the crop area (dimming, border, handles, size label) and, in
// window-choosing mode, the tint of the window under the pointer; on the other
// screens, once a crop exists, the frozen screen dimmed. Turns the mouse into the
// overlay controller's drags and keeps the cursor right.
class DrawView : public QWidget {
    Q_OBJECT
public:
    // Starts copying the snapshot into the hidden window's frame on pool threads, so
    // that the copy runs while the window is being mapped: the first paint then has
    // nothing left to copy. finishPrefill() waits for it; nothing else may touch the
    // frame before.
    void prefillFrame();
    void finishPrefill();
    DrawView(DrawCore &core, QScreen *screen, QWidget *parent = nullptr);
    ~DrawView() override;

    QScreen *overlayScreen() const { return m_screen; }
    // Takes the overlay controller's frozen picture of this screen again (it was
    // parked or brought back).
    void refreshSnapshot();
    PointCommentPanel *comments() const { return m_comments; }
    bool isCropScreen() const;
    // Recomputes the cursor for the pointer where it is now (modifier keys changed).
    void refreshCursor();
    // Window choosing: finds the topmost listed window under a point (local).
    std::optional<Window> windowAt(QPointF local) const;
    // A gesture under way takes one more step at `local` when the pointer was last seen
    // elsewhere: a key pressed mid-drag knows where the pointer really was, and pointer
    // events queued around the key may have been merged. True when a step was taken.
    bool catchUpPointer(QPointF local);
    // How dark the frozen screen is outside the crop area (0 to 1), as painted now.
    qreal outsideDim() const { return m_dim; }
    bool dimFading() const;
    // Every pixel the crop area paints differently when its shown rectangle and its
    // crop rectangle (where the handles sit) change from the old to the new ones;
    // `filledCrop` when the whiteboard fills the crop rectangle.
    static QRegion cropAreaChange(const QRectF &oldShown, const QRectF &oldCrop, const QRectF &newShown,
                                  const QRectF &newCrop, bool filledCrop);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    enum class Gesture { None, Overlay, Handle, Move, Choose, Object };
    void paintCropArea(QPainter &painter, const QRectF &shown);
    // `anyAlpha`: the snapshot may not be opaque yet; the copy sets the alpha bytes.
    bool copySnapshotToBackingStore(QPainter &painter, const QRegion &region, bool anyAlpha);
    // The window's frame buffer when `painter` paints into it (not for render() or grab()).
    QImage *windowFrame(QPainter &painter) const;
    // The frame the prefill wrote still shows this capture's picture.
    bool frameShowsSnapshot(QPainter &painter) const;
    void paintHighlight(QPainter &painter);
    void updateHover(QPointF local);
    void mirrorChanged();
    void pointerMoved(QPointF pos, Qt::KeyboardModifiers modifiers);
    void updateDim();
    // The text editor and the comment card follow the editor state.
    void refreshEditors();
    // What the view paints over its frozen screen in `area`, for the panels' blur.
    void shadeBackdrop(QPainter &painter, const QRectF &area) const;

    DrawCore &m_core;
    QPointer<QScreen> m_screen;
    QImage m_snapshot;
    Gesture m_gesture = Gesture::None;
    QPointF m_pressPos;
    QList<QPointF> m_points;
    CornerType m_handle = CornerType::TopLeft;
    cropHandles::Drag m_handleDrag;
    std::optional<Window> m_hover;
    // What was painted last, to repaint only what changed.
    QRectF m_lastShown;
    QRectF m_lastCrop;
    bool m_paintedDrawing = false;
    DrawnInputDispatcher *m_objects;
    TextToolEditor *m_textEditor;
    PointCommentPanel *m_comments;
    OverlayChrome *m_chrome;     // the action bar and tool column beside the crop area
    BlurredBackdrop *m_backdrop; // what the panels over the frozen screen show of it
    QVariantAnimation *m_dimFade;
    qreal m_dim = 0.7;
    bool m_dimShown = false; // this capture's crop dimming has been painted
    QFuture<void> m_prefill;
    bool m_framePrefilled = false; // the prefill wrote this capture's picture into the frame, until the first paint
    bool m_painted = false;        // this capture's overlay has been painted
    QPointF m_lastPos;             // where the last pointer event of a gesture was
};

} // namespace qn
