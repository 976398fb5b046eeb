#include "capture/DrawView.h"

#include "annotation/DrawViewModel.h"
#include "annotation/DrawnInputDispatcher.h"
#include "annotation/DrawnPainter.h"
#include "annotation/TextToolEditor.h"
#include "annotation/ToolsCanvas.h"
#include "app/state/Models.h"
#include "app/state/RecordModel.h"
#include "capture/CropWindow.h"
#include "capture/DrawCore.h"
#include "capture/OverlayChrome.h"
#include "capture/SnapshotWithCommentsView.h"
#include "editor_ui/PointComment.h"
#include "editor_ui/PointCommentPanel.h"
#include "platform/Diagnostics.h"
#include "platform/RowBands.h"
#include "uikit/BlurredBackdrop.h"

#include <QApplication>
#include <QBackingStore>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVariantAnimation>
#include <QWindow>
#include <QtConcurrent/QtConcurrentMap>
#include <QtConcurrent/QtConcurrentRun>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace qn {

namespace {
const QColor kBorderColor(0xF2, 0xF2, 0xF2, 128); // #F2F2F2 at 0.5
const QColor kLabelColor(0xF6, 0xF6, 0xF6);
const QColor kHighlightColor(0x1C, 0x6A, 0xFF);
// Outside the crop: light while a crop is dragged out or the screen is recorded, so
// the user sees what they aim at; dark once it is set.
constexpr qreal kDimWhileDrawing = 0.2;
constexpr qreal kDimAtRest = 0.7;
constexpr int kDimFadeMs = 300;
// A press that moves this far in window-choosing mode is a drag, not a click.
constexpr qreal kChooseDragDistance = 4;

DrawViewModel &model() { return *Models::shared().drawViewModel(); }
bool recording() { return Models::shared().recordModel()->isRecording(); }

qreal dimTarget() { return (model().croppedAreaDrawing() || recording()) ? kDimWhileDrawing : kDimAtRest; }

QEasingCurve easeOut() {
    // The common ease-out timing curve (0, 0) (0.58, 1) (1, 1).
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

QRectF shownRect() {
    const DrawViewModel &m = model();
    return m.hasCroppedArea() ? m.croppedArea() : m.tempCroppedArea();
}

// The same words as the comments sheet puts over the picture.
QString sizeLabel(const QRectF &r) { return SnapshotWithCommentsView::sizeLabel(r.size()); }

QFont labelFont() {
    QFont font(QStringLiteral("Inter"));
    font.setPixelSize(13);
    return font;
}

// Where the size label of a rectangle goes: centred over it, 6 above its top.
QRectF labelRect(const QRectF &shown, const QFontMetricsF &metrics) {
    const qreal width = metrics.horizontalAdvance(sizeLabel(shown));
    const qreal height = 21;
    return {shown.center().x() - width / 2, shown.top() - height - 6, width, height};
}
} // namespace

QRegion DrawView::cropAreaChange(const QRectF &oldShown, const QRectF &oldCrop, const QRectF &newShown,
                                 const QRectF &newCrop, bool filledCrop) {
    QRegion dirty;
    const auto outer = [](const QRectF &r) {
        return DrawViewModel::isZeroRect(r) ? QRegion() : QRegion(r.toAlignedRect());
    };
    // The whole pixels a rectangle covers; a pixel it only cuts may change either way.
    const auto inner = [](const QRectF &r) {
        if (DrawViewModel::isZeroRect(r))
            return QRegion();
        const QPoint topLeft(int(std::ceil(r.left())), int(std::ceil(r.top())));
        const QPoint bottomRight(int(std::floor(r.right())) - 1, int(std::floor(r.bottom())) - 1);
        return QRegion(QRect(topLeft, bottomRight));
    };
    // The dimming changes where a pixel is inside one rectangle and not the other.
    dirty += outer(oldShown).subtracted(inner(newShown));
    dirty += outer(newShown).subtracted(inner(oldShown));
    // The border lies just outside the rectangle. An edge that moved is painted again
    // along its whole length, once where it was and once where it is; an edge that
    // only grew or shrank, at its ends.
    const bool hadOld = !DrawViewModel::isZeroRect(oldShown), hasNew = !DrawViewModel::isZeroRect(newShown);
    constexpr qreal kMargin = 3;
    const auto band = [](qreal fixed, qreal from, qreal to, bool horizontal) {
        const QPointF start = horizontal ? QPointF(from, fixed) : QPointF(fixed, from);
        const QPointF end = horizontal ? QPointF(to, fixed) : QPointF(fixed, to);
        const QPointF margin(kMargin, kMargin);
        return QRegion(QRectF(start - margin, end + margin).toAlignedRect());
    };
    struct Edge {
        qreal fixed, from, to;
        bool horizontal;
    };
    const auto edges = [](const QRectF &r) {
        return std::array<Edge, 4>{Edge{r.top(), r.left(), r.right(), true},
                                   Edge{r.bottom(), r.left(), r.right(), true},
                                   Edge{r.left(), r.top(), r.bottom(), false},
                                   Edge{r.right(), r.top(), r.bottom(), false}};
    };
    const auto oldEdges = edges(oldShown), newEdges = edges(newShown);
    for (size_t i = 0; i < 4; ++i) {
        const Edge &a = oldEdges[i], &b = newEdges[i];
        if (hadOld && hasNew && a.fixed == b.fixed) {
            if (a.from != b.from)
                dirty += band(a.fixed, std::min(a.from, b.from), std::max(a.from, b.from), a.horizontal);
            if (a.to != b.to)
                dirty += band(a.fixed, std::min(a.to, b.to), std::max(a.to, b.to), a.horizontal);
            continue;
        }
        if (hadOld)
            dirty += band(a.fixed, a.from, a.to, a.horizontal);
        if (hasNew)
            dirty += band(b.fixed, b.from, b.to, b.horizontal);
    }
    if (filledCrop)
        dirty += outer(oldShown) + outer(newShown) + outer(oldCrop) + outer(newCrop);
    // Handles (on the crop rectangle) and the size label (on the shown one) move as
    // a whole: each one's old and new place, when it moved.
    const auto handles = [](const QRectF &crop) {
        QList<QRect> out;
        if (!DrawViewModel::isZeroRect(crop))
            for (CornerType type : cropHandles::order())
                out.append(cropHandles::frame(type, crop).toAlignedRect().adjusted(-3, -3, 3, 3));
        return out;
    };
    const QList<QRect> oldHandles = handles(oldCrop), newHandles = handles(newCrop);
    if (oldHandles != newHandles) {
        for (const QRect &r : oldHandles + newHandles)
            dirty += r;
    }
    const QFontMetricsF metrics(labelFont());
    const auto label = [&metrics](const QRectF &shown) {
        if (DrawViewModel::isZeroRect(shown))
            return QRect();
        return labelRect(shown, metrics).toAlignedRect().adjusted(-2, -2, 2, 2);
    };
    const QRect oldLabel = label(oldShown), newLabel = label(newShown);
    if (oldLabel != newLabel || sizeLabel(oldShown) != sizeLabel(newShown))
        dirty += QRegion(oldLabel) + QRegion(newLabel);
    return dirty;
}

DrawView::DrawView(DrawCore &core, QScreen *screen, QWidget *parent)
    : QWidget(parent), m_core(core), m_screen(screen), m_objects(new DrawnInputDispatcher(core.tools(), this)),
      m_textEditor(new TextToolEditor(core.tools(), this)), m_comments(new PointCommentPanel(core.tools(), this)),
      m_chrome(new OverlayChrome(core, this)), m_dimFade(new QVariantAnimation(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    m_snapshot = m_core.snapshotToPaint(screen);

    // The bars and palettes show a blur of the frozen screen under them. It is made
    // when first needed, never while the overlay opens: the blur reads every pixel.
    m_backdrop = new BlurredBackdrop(this, [this] {
        m_core.ensureOpaque(m_screen);
        return m_snapshot;
    });
    m_backdrop->setShade([this](QPainter &painter, const QRectF &area) { shadeBackdrop(painter, area); });
    BlurredBackdrop::attach(this, m_backdrop);
    // Popovers stand in the overlay window beside this view.
    if (window() != this)
        BlurredBackdrop::attach(window(), m_backdrop);
    setCursor(model().cursor());

    DrawViewModel *m = &model();
    m_dimFade->setDuration(kDimFadeMs);
    m_dimFade->setEasingCurve(easeOut());
    connect(m_dimFade, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_dim = value.toReal();
        if (isCropScreen())
            update();
    });
    connect(m, &DrawViewModel::croppedAreaDrawingChanged, this, &DrawView::updateDim);
    // A crop being drawn brings the bars soon: their blur is made meanwhile.
    connect(m, &DrawViewModel::croppedAreaDrawingChanged, this, [this] {
        if (model().croppedAreaDrawing() && isCropScreen())
            m_backdrop->prepare();
    });
    connect(Models::shared().recordModel(), &RecordModel::isRecordingChanged, this, &DrawView::updateDim);
    // A drag moves the crop rectangle on every pointer step: only the pixels that
    // change are painted again, not the screen.
    auto rectChanged = [this] {
        const QRectF shown = shownRect();
        const QRectF crop = model().croppedArea();
        if (!isCropScreen()) {
            return;
        }
        const bool filled = model().whiteboard().alpha() != 0;
        const QRegion dirty = cropAreaChange(m_lastShown, m_lastCrop, shown, crop, filled);
        m_lastShown = shown;
        m_lastCrop = crop;
        if (!dirty.isEmpty())
            update(dirty);
    };
    connect(m, &DrawViewModel::croppedAreaChanged, this, rectChanged);
    connect(m, &DrawViewModel::tempCroppedAreaChanged, this, rectChanged);
    // The flag is set again on every step of a drag; the dimming changes only when
    // its value does.
    m_paintedDrawing = m->croppedAreaDrawing();
    connect(m, &DrawViewModel::croppedAreaDrawingChanged, this, [this] {
        if (model().croppedAreaDrawing() != m_paintedDrawing)
            mirrorChanged();
    });
    for (auto signal :
         {&DrawViewModel::cropScreenChanged, &DrawViewModel::chooceWindowModeChanged,
          &DrawViewModel::drawedToolsChanged, &DrawViewModel::drawingToolChanged, &DrawViewModel::whiteboardChanged,
          &DrawViewModel::activeToolChanged, &DrawViewModel::needDeleteToolChanged})
        connect(m, signal, this, &DrawView::mirrorChanged);
    for (auto signal :
         {&DrawViewModel::drawedToolsChanged, &DrawViewModel::drawingToolChanged, &DrawViewModel::activeToolChanged,
          &DrawViewModel::croppedAreaChanged, &DrawViewModel::isDrawingChanged, &DrawViewModel::cropScreenChanged})
        connect(m, signal, this, &DrawView::refreshEditors);
    connect(m_objects, &DrawnInputDispatcher::hoverChanged, this, qOverload<>(&QWidget::update));
    connect(m, &DrawViewModel::cursorChanged, this, &DrawView::refreshCursor);
    connect(m, &DrawViewModel::cacheCursorChanged, this, &DrawView::refreshCursor);
    connect(m, &DrawViewModel::chooceWindowModeChanged, this, [this] {
        if (model().chooceWindowMode())
            updateHover(mapFromGlobal(QCursor::pos()));
        refreshCursor();
    });
    // The overlay window is kept between captures: each capture brings its own
    // frozen screen and starts with no gesture under way.
    connect(&m_core, &DrawCore::snapshotsChanged, this, [this] {
        m_snapshot = m_core.snapshotToPaint(m_screen);
        m_backdrop->reset();
        m_gesture = Gesture::None;
        m_points.clear();
        m_hover.reset();
        m_painted = false;
        m_dimShown = false;
        m_dimFade->stop();
        update();
    });
    connect(&m_core, &DrawCore::snapshotsSmallQualityChanged, this, [this] {
        // Only drawn objects (blurs) show the pixelated copy. It arrives just after an
        // overlay opens, where a repaint would copy the whole screen to the X server
        // again for nothing.
        if (isCropScreen() && (model().drawingTool() || !model().drawedTools().isEmpty()))
            update();
    });
}

void DrawView::refreshSnapshot() {
    finishPrefill();
    m_snapshot = m_core.snapshotToPaint(m_screen);
    update();
}

bool DrawView::isCropScreen() const { return m_screen && model().cropScreen() == m_screen; }

bool DrawView::dimFading() const { return m_dimFade->state() == QAbstractAnimation::Running; }

void DrawView::updateDim() {
    const qreal target = dimTarget();
    // The first crop of a capture shows its dimming at once; later changes fade.
    if (!m_dimShown || !isCropScreen()) {
        m_dimFade->stop();
        m_dim = target;
        return;
    }
    if (qFuzzyCompare(m_dimFade->state() == QAbstractAnimation::Running ? m_dimFade->endValue().toReal() : m_dim,
                      target))
        return;
    m_dimFade->stop();
    m_dimFade->setStartValue(m_dim);
    m_dimFade->setEndValue(target);
    m_dimFade->start();
}

void DrawView::mirrorChanged() {
    m_lastShown = shownRect();
    m_lastCrop = model().croppedArea();
    m_paintedDrawing = model().croppedAreaDrawing();
    update();
}

void DrawView::refreshEditors() {
    if (!isCropScreen()) {
        m_textEditor->hide();
        m_comments->refresh(QRectF(), true);
        return;
    }
    QWidget *focus = QApplication::focusWidget();
    const bool hadFocus =
        focus && (m_textEditor->isAncestorOf(focus) || (m_comments->card() && m_comments->card()->isAncestorOf(focus)));
    m_textEditor->refresh();
    // No card while a drag on the overlay runs.
    m_comments->refresh(model().croppedArea(), m_gesture == Gesture::Overlay && model().isDrawing());
    // The keys go back to the overlay once an editor is gone.
    if (hadFocus && !focus->isVisible())
        if (auto *window = qobject_cast<CropWindow *>(this->window()))
            window->takeFocus();
}

void DrawView::refreshCursor() {
    const QPointF local = mapFromGlobal(QCursor::pos());
    setCursor(m_core.cursorAt(this, local));
}

// ---------------------------------------------------------------- painting

void DrawView::paintEvent(QPaintEvent *event) {
    QPainter painter(this);
    painter.setClipRect(event->rect());
    // Only the first paint's copy may read the grab before its alpha bytes are set
    // (it sets them in the frame itself). Every other use of the pixels waits for
    // the opaque pass started after that copy.
    bool firstCopy = false;
    if (!m_painted) {
        finishPrefill();
        const bool prefilled = m_framePrefilled && frameShowsSnapshot(painter);
        m_framePrefilled = false;
        firstCopy = prefilled || copySnapshotToBackingStore(painter, event->region(), true);
        // Tests see the fast way lost (a toolkit that keeps its frames differently).
        if (diagnostics::enabled())
            diagnostics::print(diagnostics::firstPaint(prefilled   ? QStringLiteral("prefilled")
                                                       : firstCopy ? QStringLiteral("copied")
                                                                   : QStringLiteral("painted")));
    } else {
        m_framePrefilled = false;
    }
    if (!firstCopy)
        m_core.ensureOpaque(m_screen);
    if (m_snapshot.isNull())
        painter.fillRect(rect(), Qt::black);
    else if (!firstCopy && !copySnapshotToBackingStore(painter, event->region(), false))
        painter.drawImage(QPointF(0, 0), m_snapshot);
    if (firstCopy)
        m_core.snapshotShown(m_screen);

    if (!m_painted) {
        m_painted = true;
        // Tests wait for this before they look at the screen.
        if (diagnostics::enabled())
            diagnostics::print(diagnostics::overlayPainted());
        m_core.holdInput(true);
    }

    const DrawViewModel &m = model();
    if (isCropScreen()) {
        if (!m_dimShown) {
            m_dimShown = true;
            m_dim = dimTarget();
        }
        painter.setRenderHint(QPainter::Antialiasing);
        // The video tool shows the live screen in the crop area, without the drawn objects.
        if (m.tool() != Tool::Video) {
            AnnotationScene scene = AnnotationScene::fromModel(m);
            const QImage small = m_core.snapshotsSmallQuality().value(m_screen);
            if (firstCopy && (!scene.objects.isEmpty() || scene.drawingTool))
                m_core.ensureOpaque(m_screen); // a blur reads the pixels
            scene.snapshot = &m_snapshot;
            scene.lowQuality = small.isNull() ? nullptr : &small;
            toolsCanvas::paintScene(painter, scene, QRectF(rect()));
            paintDrawnControls(painter, *m_objects);
        }
        paintCropArea(painter, shownRect());
    } else if (m.cropScreen()) {
        painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.7));
    }
    if (m.chooceWindowMode())
        paintHighlight(painter);
}

namespace {
// The grab's alpha bytes are the server's padding; a frame with alpha needs them set.
// As fast as a plain copy: both wait on memory.
void copyRowOpaque(uchar *to, const uchar *from, int pixels) {
    auto *out = reinterpret_cast<quint32 *>(to);
    const auto *in = reinterpret_cast<const quint32 *>(from);
    for (int i = 0; i < pixels; ++i)
        out[i] = in[i] | 0xff000000u;
}
} // namespace

DrawView::~DrawView() { finishPrefill(); }

void DrawView::prefillFrame() {
    finishPrefill();
    m_framePrefilled = false;
    QWidget *top = window();
    QBackingStore *store = top->backingStore();
    // A translucent window's frame is cleared before each paint, which would wipe the copy.
    if (top->testAttribute(Qt::WA_TranslucentBackground) ||
        (top->windowHandle() && top->windowHandle()->format().hasAlpha()))
        return;
    if (m_snapshot.isNull() || top->isVisible() || !store || geometry() != top->rect() ||
        m_snapshot.devicePixelRatio() != 1.0 || devicePixelRatioF() != 1.0 || store->size() != top->size())
        return;
    QPaintDevice *device = store->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return;
    const auto *frame = static_cast<const QImage *>(device);
    if ((frame->format() != QImage::Format_RGB32 && frame->format() != QImage::Format_ARGB32_Premultiplied) ||
        frame->size() != m_snapshot.size() || frame->devicePixelRatio() != 1.0 ||
        m_snapshot.format() != QImage::Format_RGB32)
        return;
    // The frame's own memory (shared with the server), written in place: detaching
    // it would make a new frame.
    auto *to = const_cast<uchar *>(frame->constBits());
    const qsizetype toLine = frame->bytesPerLine();
    const uchar *from = m_snapshot.constBits();
    const qsizetype fromLine = m_snapshot.bytesPerLine();
    const int height = m_snapshot.height();
    const int width = m_snapshot.width();
    const QImage keep = m_snapshot; // the picture's memory outlives a view that goes first
    m_prefill = QtConcurrent::run([=] {
        Q_UNUSED(keep);
        forEachRowBand(0, height, [=](int first, int end) {
            for (int y = first; y < end; ++y)
                copyRowOpaque(to + y * toLine, from + y * fromLine, width);
        });
    });
    m_framePrefilled = true;
}

void DrawView::finishPrefill() {
    if (m_prefill.isValid())
        m_prefill.waitForFinished();
    m_prefill = {};
}

QImage *DrawView::windowFrame(QPainter &painter) const {
    QBackingStore *store = window()->backingStore();
    QPaintDevice *device = store ? store->paintDevice() : nullptr;
    // Only when painting goes to the window: render() and grab() paint elsewhere.
    if (!device || device->devType() != QInternal::Image || !painter.paintEngine() ||
        painter.paintEngine()->paintDevice() != device)
        return nullptr;
    return static_cast<QImage *>(device);
}

bool DrawView::frameShowsSnapshot(QPainter &painter) const {
    // Which memory backs the frame, and when it is replaced, is the platform's own
    // business: the prefill is trusted only where the frame is still the picture's
    // size and shows the picture at a grid of points. A frame made afresh since (a
    // new buffer is blank) or painted over fails at once; 64 reads cost nothing.
    const QImage *frame = windowFrame(painter);
    if (!frame || frame->size() != m_snapshot.size() || frame->devicePixelRatio() != 1.0 ||
        (frame->format() != QImage::Format_RGB32 && frame->format() != QImage::Format_ARGB32_Premultiplied) ||
        m_snapshot.format() != QImage::Format_RGB32 || m_snapshot.isNull())
        return false;
    constexpr int kSteps = 8;
    const int width = m_snapshot.width();
    const int height = m_snapshot.height();
    for (int i = 0; i < kSteps; ++i) {
        const int y = (height - 1) * i / (kSteps - 1);
        const auto *shown = reinterpret_cast<const quint32 *>(frame->constScanLine(y));
        const auto *picture = reinterpret_cast<const quint32 *>(m_snapshot.constScanLine(y));
        for (int j = 0; j < kSteps; ++j) {
            const int x = (width - 1) * j / (kSteps - 1);
            // The prefill wrote the picture opaque; the picture's own alpha bytes may not be yet.
            if (shown[x] != (picture[x] | 0xff000000u))
                return false;
        }
    }
    return true;
}

bool DrawView::copySnapshotToBackingStore(QPainter &painter, const QRegion &region, bool anyAlpha) {
    // Opening a 4K overlay copies 33 MB of screen into the window's frame buffer; the
    // painter does it on one core, which waits on memory most of the time. When the
    // frame buffer is a plain picture of the snapshot's own layout, the rows are
    // copied by several threads at once instead.
    if (m_snapshot.devicePixelRatio() != 1.0 || devicePixelRatioF() != 1.0)
        return false;
    QImage *frame = windowFrame(painter);
    if (!frame)
        return false;
    // An opaque snapshot's pixels read the same in a frame buffer with alpha.
    const bool sameLayout =
        frame->format() == m_snapshot.format() ||
        (m_snapshot.format() == QImage::Format_RGB32 && frame->format() == QImage::Format_ARGB32_Premultiplied);
    if (!sameLayout || frame->devicePixelRatio() != 1.0)
        return false;
    const QPoint offset = mapTo(window(), QPoint(0, 0));
    const QRect area = (region.boundingRect() & m_snapshot.rect() & frame->rect().translated(-offset));
    // Small repaints (a crop edge moving) cost less through the painter than through threads.
    if (area.width() * qint64(area.height()) < (1 << 20))
        return false;
    // Taken here, once: the threads must not detach either picture.
    uchar *to = frame->bits();
    const qsizetype toLine = frame->bytesPerLine();
    const uchar *from = m_snapshot.constBits();
    const qsizetype fromLine = m_snapshot.bytesPerLine();
    for (const QRect &r : region) {
        const QRect band = r & area;
        if (band.isEmpty())
            continue;
        const size_t bytes = size_t(band.width()) * 4;
        forEachRowBand(band.top(), band.bottom() + 1, [=](int first, int end) {
            for (int y = first; y < end; ++y) {
                uchar *row = to + (y + offset.y()) * toLine + qsizetype(band.left() + offset.x()) * 4;
                const uchar *source = from + y * fromLine + qsizetype(band.left()) * 4;
                if (anyAlpha)
                    copyRowOpaque(row, source, band.width());
                else
                    std::memcpy(row, source, bytes);
            }
        });
    }
    return true;
}

void DrawView::paintCropArea(QPainter &painter, const QRectF &shown) {
    const DrawViewModel &m = model();
    const qreal opacity = m_dim;
    QPainterPath dim;
    dim.addRect(rect());
    if (!DrawViewModel::isZeroRect(shown)) {
        QPainterPath cut;
        cut.addRect(shown);
        dim = dim.subtracted(cut);
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillPath(dim, QColor::fromRgbF(0, 0, 0, opacity));
    painter.restore();
    if (DrawViewModel::isZeroRect(shown))
        return;

    painter.setPen(QPen(kBorderColor, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(shown.adjusted(-0.5, -0.5, 0.5, 0.5));

    if (m.hasCroppedArea() && !recording()) {
        painter.setPen(QPen(kBorderColor, 3, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
        for (CornerType type : cropHandles::order())
            painter.drawPath(cropHandles::outline(type, cropHandles::frame(type, m.croppedArea())));
    }

    painter.setFont(labelFont());
    painter.setPen(kLabelColor);
    painter.drawText(labelRect(shown, QFontMetricsF(painter.font())), Qt::AlignCenter, sizeLabel(shown));
}

void DrawView::shadeBackdrop(QPainter &painter, const QRectF &area) const {
    const DrawViewModel &m = model();
    QPainterPath dimmed;
    dimmed.addRect(area);
    qreal dim = 0;
    if (isCropScreen()) {
        dim = m_dim;
        const QRectF shown = shownRect();
        if (!DrawViewModel::isZeroRect(shown)) {
            QPainterPath cut;
            cut.addRect(shown);
            dimmed = dimmed.subtracted(cut);
            const QColor board = m.whiteboard();
            if (board.alpha() != 0 && m.tool() != Tool::Video)
                painter.fillRect(area.intersected(shown), board);
        }
    } else if (m.cropScreen()) {
        dim = 0.7;
    }
    if (dim > 0)
        painter.fillPath(dimmed, QColor::fromRgbF(0, 0, 0, dim));
}

void DrawView::paintHighlight(QPainter &painter) {
    if (!m_hover || !m_hover->bounds)
        return;
    painter.fillRect(*m_hover->bounds,
                     QColor(kHighlightColor.red(), kHighlightColor.green(), kHighlightColor.blue(), int(0.3 * 255)));
}

// ---------------------------------------------------------------- window choosing

std::optional<Window> DrawView::windowAt(QPointF local) const {
    if (!m_screen)
        return std::nullopt;
    const QPointF origin = m_screen->geometry().topLeft();
    std::optional<Window> found;
    // Back to front: the last window that holds the point is the one on top.
    for (const Window &window : m_core.hightlightWindows().value(m_screen)) {
        if (!window.bounds)
            continue;
        const QRectF local_bounds = window.bounds->translated(-origin);
        if (local_bounds.contains(local)) {
            Window hover;
            hover.id = window.id;
            hover.bounds = local_bounds;
            found = hover;
        }
    }
    return found;
}

void DrawView::updateHover(QPointF local) {
    const std::optional<Window> before = m_hover;
    m_hover = windowAt(local);
    const bool changed = before.has_value() != m_hover.has_value() || (before && m_hover && before->id != m_hover->id);
    if (changed)
        update();
}

// ---------------------------------------------------------------- mouse

void DrawView::enterEvent(QEnterEvent *event) {
    QWidget::enterEvent(event);
    // The overlay under the pointer takes the keys, unless a dialog is asking.
    if (!QApplication::activeModalWidget() && !QApplication::activePopupWidget())
        if (auto *window = qobject_cast<CropWindow *>(this->window()); window && !window->isActiveWindow())
            window->takeFocus();
    refreshCursor();
}

void DrawView::wheelEvent(QWheelEvent *event) { event->accept(); }

void DrawView::mousePressEvent(QMouseEvent *event) {
    if (diagnostics::enabled())
        diagnostics::print(diagnostics::press(event->position()));
    m_core.notePointer(m_screen, event->position());
    m_lastPos = event->position();
    if (event->button() != Qt::LeftButton)
        return;
    DrawCore &core = m_core;
    const DrawViewModel &m = model();
    const QPointF pos = event->position();
    m_pressPos = pos;
    if (m.chooceWindowMode()) {
        m_gesture = Gesture::Choose;
        updateHover(pos);
        return;
    }
    if (isCropScreen() && m.hasCroppedArea() && !recording()) {
        if (const auto handle = cropHandles::hit(m.croppedArea(), pos)) {
            m_gesture = Gesture::Handle;
            m_handle = *handle;
            mouseMoveEvent(event);
            return;
        }
        if (cropHandles::onMoveBand(m.croppedArea(), pos)) {
            m_gesture = Gesture::Move;
            core.moveCropArea(QSizeF());
            return;
        }
    }
    // A press on a drawn object selects, moves or reshapes it instead of drawing.
    if (isCropScreen() && m.hasCroppedArea() && m_objects->press(pos)) {
        m_gesture = Gesture::Object;
        return;
    }
    m_gesture = Gesture::Overlay;
    m_points.clear();
    mouseMoveEvent(event);
}

void DrawView::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && isCropScreen() && model().hasCroppedArea() &&
        m_objects->doubleClick(event->position()))
        return;
    mousePressEvent(event);
}

void DrawView::mouseMoveEvent(QMouseEvent *event) { pointerMoved(event->position(), event->modifiers()); }

bool DrawView::catchUpPointer(QPointF local) {
    if (m_gesture == Gesture::None || m_gesture == Gesture::Choose || local == m_lastPos)
        return false;
    pointerMoved(local, QGuiApplication::keyboardModifiers());
    return true;
}

void DrawView::pointerMoved(QPointF pos, Qt::KeyboardModifiers modifiers) {
    m_core.notePointer(m_screen, pos);
    m_lastPos = pos;
    DrawCore &core = m_core;
    DrawViewModel &m = model();
    const QPointF delta = pos - m_pressPos;
    if (m_gesture == Gesture::Choose && QLineF(m_pressPos, pos).length() >= kChooseDragDistance) {
        // A drag while choosing a window draws a crop after all; its end leaves the mode.
        m_gesture = Gesture::Overlay;
        m_hover.reset();
        update();
        m_points = {m_pressPos};
        core.dragChanged(m_pressPos, m_pressPos, m_points, m_screen);
    }
    switch (m_gesture) {
    case Gesture::None:
        if (m.chooceWindowMode())
            updateHover(pos);
        else if (isCropScreen())
            m_objects->hoverMove(pos);
        setCursor(core.cursorAt(this, pos));
        return;
    case Gesture::Object:
        m_objects->move(pos);
        setCursor(core.cursorAt(this, pos));
        return;
    case Gesture::Choose: updateHover(pos); return;
    case Gesture::Handle: {
        const auto step = m_handleDrag.changed(m_handle, m.croppedArea(), pos, QSizeF(delta.x(), delta.y()),
                                               modifiers.testFlag(Qt::ShiftModifier), m.spaceKeyPoint().has_value(),
                                               core.tempOffset());
        core.resizeCropArea(step.anchor, step.moving, step.squareAllowed);
        if (!m.cacheCursor())
            m.setCacheCursor(cropHandles::cursor(m_handle));
        return;
    }
    case Gesture::Move: core.moveCropArea(QSizeF(delta.x(), delta.y())); return;
    case Gesture::Overlay:
        // Once a crop area exists on another screen, drags here change nothing.
        if (m.cropScreen() && m.cropScreen() != m_screen)
            return;
        m_points.append(pos);
        core.dragChanged(m_pressPos, pos, m_points, m_screen);
        return;
    }
}

void DrawView::mouseReleaseEvent(QMouseEvent *event) {
    if (diagnostics::enabled())
        diagnostics::print(diagnostics::release(event->position()));
    m_core.notePointer(m_screen, event->position());
    m_lastPos = event->position();
    if (event->button() != Qt::LeftButton)
        return;
    DrawCore &core = m_core;
    const Gesture gesture = m_gesture;
    m_gesture = Gesture::None;
    switch (gesture) {
    case Gesture::None: break;
    case Gesture::Choose:
        updateHover(event->position());
        if (m_hover && m_hover->bounds)
            core.chooseWindow(m_screen, *m_hover->bounds);
        break;
    case Gesture::Handle:
        core.endCropDrag();
        m_handleDrag.ended();
        model().setCacheCursor(std::nullopt);
        break;
    case Gesture::Move: core.endMoveCropArea(); break;
    case Gesture::Object: m_objects->release(event->position()); break;
    case Gesture::Overlay:
        core.dragEnded(m_screen);
        m_points.clear();
        refreshEditors();
        break;
    }
    setCursor(core.cursorAt(this, event->position()));
}

} // namespace qn
