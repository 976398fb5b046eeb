#pragma once
#include "annotation/BaseTool.h"
#include "recording/StreamViewCanvas.h"

#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QScreen;

namespace qn {

class DrawViewModel;
class InputOnlyWindow;
class RecordModel;

// The window titled "Stream window" over the screen that holds the crop area while
// the video tool is chosen: it shows the strokes drawn during a recording and the
// camera bubble, and nothing else. The recorder reads the screen, so the window is
// shaped to what it paints and the live desktop shows everywhere else. Drawing
// mode takes the mouse over the crop area through an input-only window.
class StreamView : public QWidget {
    Q_OBJECT
public:
    static QString windowTitleText() { return QStringLiteral("Stream window"); }
    static constexpr qreal kBubbleSize = 95;

    StreamView(QScreen *screen, RecordModel *record, DrawViewModel *editor);
    ~StreamView() override;

    // ---- the bubble's resting places -----------------------------------------
    // The top-left corners at which the whole bubble lies inside `crop` with a
    // margin of 10, normalised.
    static QRectF innerRect(const QRectF &crop, qreal size = kBubbleSize);
    // Where a bubble dropped with its top-left corner at `drop` goes: none when it
    // may stay, else the nearest of the eight anchors (corners first on a tie).
    static std::optional<QPointF> snapTarget(QPointF drop, const QRectF &crop, qreal size = kBubbleSize);
    static QPointF startLocation(const QRectF &crop, qreal size = kBubbleSize);

    QPointF bubbleLocation() const { return m_tempLocation.value_or(m_location); }
    QRectF bubbleRect() const { return QRectF(bubbleLocation(), QSizeF(kBubbleSize, kBubbleSize)); }
    bool bubbleShown() const;

    // ---- the stroke cycle ------------------------------------------------------
    void drawingChanged(QPointF location, QPointF start);
    void drawingEnded();
    bool removalPending() const { return m_removal.isActive(); }
    // The strokes fade by their opacity (a compositing manager runs), not stepwise.
    // Chosen from the display when the window is made; setting it is for a window
    // not yet shown.
    bool blendedFade() const { return m_blended; }
    void setBlendedFade(bool blended);

    // ---- the bubble's drag -----------------------------------------------------
    void bubbleDragChanged(QPointF translation);
    void bubbleDragEnded();

    void setCameraFrame(const QImage &frame);
    // The crop area in this window's coordinates (the settled one, else the dragged one).
    QRectF cropArea() const;

Q_SIGNALS:
    // The window's shape changed (tests, diagnostics).
    void shapeChanged();
    // A stroke's points so far, and its end: the overlay controller builds the
    // stroke records from them.
    void strokeChanged(const QList<QPointF> &points, QPointF start, QPointF current);
    void strokeEnded();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void placeBubble();
    void reshape();
    void updateInput();
    void fadeStep();
    void catcherEvent(int phase, QPointF global);
    void excludeOwnWindows();

    QPointer<QScreen> m_screen;
    QPointer<RecordModel> m_record;
    QPointer<DrawViewModel> m_editor;
    QList<QPointF> m_points;
    QTimer m_removal;    // empties the strokes 4 s after the last release
    QTimer m_fadeTicker; // steps the opacity during the fade
    QElapsedTimer m_sinceRelease;
    QPointF m_location;
    std::optional<QPointF> m_tempLocation;
    std::optional<QPointF> m_dragStart;   // global press on the bubble
    std::optional<QPointF> m_strokeStart; // local press of a stroke
    QTimer m_snap;
    QPointF m_snapFrom, m_snapTo;
    QElapsedTimer m_snapClock;
    bool m_bubbleWasShown = false;
    QImage m_cameraFrame;
    QRegion m_shape;
    struct CoverageKey {
        QList<const BaseTool *> strokes;
        const BaseTool *drawing = nullptr;
        qreal step = -1;
        bool paused = false;
        bool operator==(const CoverageKey &) const = default;
    };
    CoverageKey m_coverageKey;
    QRegion m_coverage;
    StreamViewCanvas::RegionCache m_regions;
    int m_shownStrokes = 0;
    qreal m_shownOpacity = -1;
    bool m_blended = false; // translucent window: the fade blends instead of dissolving
    std::unique_ptr<InputOnlyWindow> m_catcher;
    QList<QRect> m_excludedPanels;
};

} // namespace qn
