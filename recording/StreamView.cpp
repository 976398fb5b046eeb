#include "recording/StreamView.h"

#include "annotation/DrawViewModel.h"
#include "app/state/RecordModel.h"
#include "platform/Diagnostics.h"
#include "platform/InputOnlyWindow.h"
#include "platform/InputShape.h"
#include "platform/X11Desktop.h"
#include "recording/CameraPreview.h"
#include "recording/StreamViewCanvas.h"

#include <QApplication>
#include <QLineF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>
#include <array>
#include <cmath>

namespace qn {

namespace {
QString rectText(const QRect &r) {
    return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}
// CoreGraphics' containment: left and top edges inside, right and bottom outside.
bool containsPoint(const QRectF &r, QPointF p) {
    return p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom();
}
constexpr int kSnapMs = 200;
} // namespace

// ---------------------------------------------------------------- bubble geometry

QRectF StreamView::innerRect(const QRectF &crop, qreal size) {
    return QRectF(crop.left() + 10, crop.top() + 10, crop.width() - size - 20, crop.height() - size - 20).normalized();
}

QPointF StreamView::startLocation(const QRectF &crop, qreal size) {
    return QPointF(crop.left() + 10, crop.bottom() - 10 - size);
}

std::optional<QPointF> StreamView::snapTarget(QPointF drop, const QRectF &crop, qreal size) {
    const QRectF inner = innerRect(crop, size);
    if (containsPoint(inner, drop))
        return std::nullopt;
    const std::array<QPointF, 8> anchors{
        QPointF(inner.left(), inner.top()),        QPointF(inner.right(), inner.top()),
        QPointF(inner.right(), inner.bottom()),    QPointF(inner.left(), inner.bottom()),
        QPointF(inner.left(), inner.center().y()), QPointF(inner.right(), inner.center().y()),
        QPointF(inner.center().x(), inner.top()),  QPointF(inner.center().x(), inner.bottom())};
    // The first of the nearest: a strict comparison keeps the table's order on ties.
    QPointF best = anchors[0];
    qreal bestDistance = QLineF(drop, best).length();
    for (const QPointF &anchor : anchors) {
        const qreal d = QLineF(drop, anchor).length();
        if (d < bestDistance) {
            bestDistance = d;
            best = anchor;
        }
    }
    return best;
}

// ---------------------------------------------------------------- the window

StreamView::StreamView(QScreen *screen, RecordModel *record, DrawViewModel *editor)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint),
      m_screen(screen), m_record(record), m_editor(editor) {
    setObjectName(QStringLiteral("streamView"));
    setWindowTitle(windowTitleText());
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    // With a compositing manager the window is translucent and the strokes fade by
    // their opacity; without one a window cannot blend with what lies beneath, and
    // the fade thins the window's shape instead. Asked once per window: a compositing
    // manager started later counts from the next capture on.
    setBlendedFade(X11Desktop::compositingActive());
    if (screen) {
        setScreen(screen);
        setGeometry(screen->geometry());
    }

    m_removal.setSingleShot(true);
    m_removal.setTimerType(Qt::PreciseTimer);
    m_removal.setInterval(StreamViewCanvas::kRemoveMs);
    connect(&m_removal, &QTimer::timeout, this, [this] {
        // The fade is stepped: its last step may still be due when the strokes go.
        m_fadeTicker.stop();
        if (m_record && m_record->canvasOpacity() != 0.0)
            m_record->setCanvasOpacity(0.0);
        if (m_record)
            m_record->setDrawedTools({});
    });
    m_fadeTicker.setTimerType(Qt::PreciseTimer);
    connect(&m_fadeTicker, &QTimer::timeout, this, &StreamView::fadeStep);
    m_snap.setInterval(16);
    connect(&m_snap, &QTimer::timeout, this, [this] {
        const qreal t = std::min<qreal>(1.0, qreal(m_snapClock.elapsed()) / kSnapMs);
        m_location = m_snapFrom + (m_snapTo - m_snapFrom) * t;
        if (t >= 1.0)
            m_snap.stop();
        reshape();
    });

    m_catcher = std::make_unique<InputOnlyWindow>(
        [this](InputOnlyWindow::Phase phase, QPointF global) { catcherEvent(int(phase), global); });

    const auto shapeOnly = [this] { reshape(); };
    connect(record, &RecordModel::drawingToolChanged, this, shapeOnly);
    connect(record, &RecordModel::drawedToolsChanged, this, shapeOnly);
    connect(record, &RecordModel::canvasOpacityChanged, this, shapeOnly);
    connect(record, &RecordModel::isPausedChanged, this, shapeOnly);
    connect(record, &RecordModel::muteCameraChanged, this, shapeOnly);
    connect(record, &RecordModel::cameraStreamingChanged, this, [this] {
        const bool shown = bubbleShown();
        if (m_record && m_record->cameraStreaming() && !m_bubbleWasShown)
            placeBubble();
        m_bubbleWasShown = m_record && m_record->cameraStreaming();
        (void)shown;
        reshape();
    });
    connect(record, &RecordModel::drawingModeChanged, this, &StreamView::updateInput);
    connect(editor, &DrawViewModel::croppedAreaChanged, this, &StreamView::updateInput);
    connect(editor, &DrawViewModel::tempCroppedAreaChanged, this, &StreamView::updateInput);
    if (record->cameraStreaming()) {
        m_bubbleWasShown = true;
        placeBubble();
    }
    updateInput();
    reshape();
}

void StreamView::setBlendedFade(bool blended) {
    m_blended = blended;
    if (blended != testAttribute(Qt::WA_TranslucentBackground))
        setAttribute(Qt::WA_TranslucentBackground, blended);
    // Blended, the fade is drawn at the movie's frame rate; stepped, only its four
    // levels show, and a coarser clock finds them in time.
    m_fadeTicker.setInterval(blended ? 33 : 50);
    m_coverageKey = {};
    diagnostics::print(diagnostics::streamFade(blended ? QStringLiteral("linear") : QStringLiteral("stepped")));
}

StreamView::~StreamView() {
    // The strokes go with the window; a pending removal has nothing left to do.
    m_removal.stop();
    m_fadeTicker.stop();
    if (m_record)
        m_record->setDrawedTools({});
}

QRectF StreamView::cropArea() const {
    if (!m_editor)
        return {};
    const QRectF crop = m_editor->croppedArea();
    return DrawViewModel::isZeroRect(crop) ? m_editor->tempCroppedArea() : crop;
}

bool StreamView::bubbleShown() const { return m_record && m_record->cameraStreaming() && !m_record->muteCamera(); }

void StreamView::placeBubble() { m_location = startLocation(cropArea()); }

void StreamView::setCameraFrame(const QImage &frame) {
    m_cameraFrame = frame;
    if (bubbleShown())
        update(bubbleRect().toAlignedRect().adjusted(-1, -1, 1, 1));
}

void StreamView::updateInput() {
    if (!m_record || !m_screen)
        return;
    const QRectF crop = cropArea();
    if (m_record->drawingMode() && !crop.isEmpty()) {
        m_catcher->show(crop.toAlignedRect().translated(m_screen->geometry().topLeft()));
        excludeOwnWindows();
        diagnostics::print(
            diagnostics::drawingSurface(rectText(crop.toAlignedRect().translated(m_screen->geometry().topLeft()))));
    } else if (m_catcher->isShown()) {
        m_catcher->hide();
        diagnostics::print(diagnostics::drawingSurfaceNone());
    }
}

void StreamView::excludeOwnWindows() {
    // The bar, its palette and any other panel of ours over the crop area keep their
    // clicks; only the overlay and this window lie beneath the drawing surface.
    QList<QRect> panels;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible() && !w->inherits("qn::CropWindow"))
            panels.append(w->frameGeometry());
    if (panels != m_excludedPanels) {
        m_excludedPanels = panels;
        m_catcher->setExcluded(panels);
    }
}

void StreamView::reshape() {
    if (!m_record)
        return;
    // The fade asks many times a second; the shape only changes at its few dissolve
    // steps (stepped), or not at all until the strokes go (blended).
    const qreal opacity = m_record->canvasOpacity();
    CoverageKey key;
    for (const DrawnPtr &tool : m_record->drawedTools())
        key.strokes.append(tool.get());
    key.drawing = m_record->drawingTool().get();
    key.step = m_blended ? (opacity > 0 ? 1.0 : 0.0) : StreamViewCanvas::dissolveStep(opacity);
    key.paused = m_record->isPaused();
    if (!(key == m_coverageKey)) {
        m_coverageKey = key;
        m_coverage = StreamViewCanvas::coverage(m_record->drawedTools(), m_record->drawingTool(), key.step,
                                                m_record->isPaused(), rect(), &m_regions);
    }
    const qreal shown = key.paused ? 0.0 : m_blended ? opacity : key.step;
    QRegion shape = m_coverage;
    if (bubbleShown())
        shape += QRegion(bubbleRect().toAlignedRect(), QRegion::Ellipse);
    const int strokes = int(m_record->drawedTools().size());
    // The strokes are painted whole; the fade only thins the shape. An unchanged
    // shape with unchanged strokes needs no repaint (the fade's steps between its
    // dissolve levels cost nothing).
    if (shape == m_shape && strokes == m_shownStrokes && (!m_blended || shown == m_shownOpacity) &&
        (shape.isEmpty() || isVisible()))
        return;
    // Only what changed is painted again: a growing stroke, not all the others; a
    // blended fade paints the strokes again at each of its steps.
    QRect dirty = m_shape.xored(shape).boundingRect();
    if (m_blended && shown != m_shownOpacity)
        dirty |= m_coverage.boundingRect();
    m_shownOpacity = shown;
    const QRegion previous = m_shape;
    m_shownStrokes = strokes;
    m_shape = shape;
    if (shape.isEmpty()) {
        // An empty shape would mean "no shape" (the whole window): hide instead.
        hide();
    } else {
        // A shape that only grew (a stroke being drawn) gets its new part alone.
        const QRegion added = shape.subtracted(previous);
        const bool grew = isVisible() && !previous.isEmpty() && previous.subtracted(shape).isEmpty();
        if (!(grew && addToWindowShape(this, added)) && !setWindowShape(this, shape))
            setMask(shape);
        // Raised when it appears and when a stroke begins, not on every step of one.
        if (!isVisible() || m_points.size() <= 1) {
            show();
            raise();
            if (m_catcher->isShown())
                m_catcher->raise();
        }
        update(dirty);
    }
    if (diagnostics::enabled())
        diagnostics::print(
            diagnostics::streamShape(shape.isEmpty() ? QStringLiteral("none") : rectText(shape.boundingRect()),
                                     m_record->drawedTools().size(), std::round(shown * 100) / 100,
                                     bubbleShown() ? rectText(bubbleRect().toAlignedRect()) : QStringLiteral("none")));
    Q_EMIT shapeChanged();
}

void StreamView::paintEvent(QPaintEvent *event) {
    QPainter p(this);
    p.setClipRegion(event->region());
    if (m_record) {
        // Strokes away from the repainted part are left out before any drawing.
        const QRect area = event->rect();
        QList<DrawnPtr> strokes;
        for (const DrawnPtr &tool : m_record->drawedTools())
            if (tool && StreamViewCanvas::strokeBounds(*tool).intersects(area))
                strokes << tool;
        StreamViewCanvas::paint(p, strokes, m_record->drawingTool(), m_blended ? m_record->canvasOpacity() : 1.0,
                                m_record->isPaused());
    }
    if (bubbleShown())
        CameraPreview::paint(p, bubbleRect(), m_cameraFrame);
}

// ---------------------------------------------------------------- strokes

void StreamView::drawingChanged(QPointF location, QPointF start) {
    m_points.append(location);
    Q_EMIT strokeChanged(m_points, start, location);
    if (m_record && m_record->canvasOpacity() != 1.0)
        m_record->setCanvasOpacity(1.0);
    m_fadeTicker.stop();
    m_removal.stop();
}

void StreamView::drawingEnded() {
    m_sinceRelease.start();
    m_fadeTicker.start();
    Q_EMIT strokeEnded();
    m_points.clear();
    m_removal.start();
}

void StreamView::fadeStep() {
    const qreal opacity = StreamViewCanvas::fadeOpacity(m_sinceRelease.elapsed());
    if (m_record && opacity != m_record->canvasOpacity() && opacity < 1.0)
        m_record->setCanvasOpacity(opacity);
    if (opacity <= 0)
        m_fadeTicker.stop();
}

void StreamView::catcherEvent(int phase, QPointF global) {
    if (!m_screen)
        return;
    const QPointF local = global - QPointF(m_screen->geometry().topLeft());
    switch (InputOnlyWindow::Phase(phase)) {
    case InputOnlyWindow::Phase::Press: {
        // The bubble lies above the drawing surface.
        QPainterPath circle;
        circle.addEllipse(bubbleRect());
        if (bubbleShown() && circle.contains(local)) {
            m_dragStart = global;
            return;
        }
        m_strokeStart = local;
        drawingChanged(local, local);
        return;
    }
    case InputOnlyWindow::Phase::Hover: excludeOwnWindows(); return;
    case InputOnlyWindow::Phase::Move:
        if (m_dragStart)
            bubbleDragChanged(global - *m_dragStart);
        else if (m_strokeStart)
            drawingChanged(local, *m_strokeStart);
        return;
    case InputOnlyWindow::Phase::Release:
        if (m_dragStart) {
            m_dragStart.reset();
            bubbleDragEnded();
        } else if (m_strokeStart) {
            m_strokeStart.reset();
            drawingEnded();
        }
        return;
    }
}

// ---------------------------------------------------------------- bubble drag

void StreamView::bubbleDragChanged(QPointF translation) {
    m_snap.stop();
    m_tempLocation = m_location + translation;
    reshape();
}

void StreamView::bubbleDragEnded() {
    if (!m_tempLocation)
        return;
    const QPointF dropped = *m_tempLocation;
    const QRectF crop = m_editor ? m_editor->croppedArea() : QRectF();
    m_location = dropped;
    m_tempLocation.reset();
    if (const auto target = snapTarget(dropped, crop)) {
        m_snapFrom = dropped;
        m_snapTo = *target;
        m_snapClock.start();
        m_snap.start();
    }
    reshape();
    diagnostics::print(diagnostics::bubbleDropped(dropped, snapTarget(dropped, crop)));
}

void StreamView::mousePressEvent(QMouseEvent *event) {
    // Only the bubble takes the mouse here: the window is shaped to what it shows.
    if (event->button() == Qt::LeftButton && bubbleShown() && bubbleRect().contains(event->position()))
        m_dragStart = event->globalPosition();
}

void StreamView::mouseMoveEvent(QMouseEvent *event) {
    if (!m_dragStart)
        return;
    const QPointF translation = event->globalPosition() - *m_dragStart;
    // A drag starts after one point of movement.
    if (!m_tempLocation && QLineF(QPointF(), translation).length() < 1)
        return;
    bubbleDragChanged(translation);
}

void StreamView::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || !m_dragStart)
        return;
    m_dragStart.reset();
    bubbleDragEnded();
}

void StreamView::wheelEvent(QWheelEvent *event) { event->accept(); }

} // namespace qn
