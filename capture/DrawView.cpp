#include "capture/DrawView.h"

#include "annotation/DrawViewModel.h"
#include "annotation/PointComment.h"
#include "annotation/PointCommentPanel.h"
#include "annotation/TextToolEditor.h"
#include "annotation/ToolInputDispatcher.h"
#include "annotation/ToolPainter.h"
#include "annotation/ToolsCanvas.h"
#include "app/Models.h"
#include "capture/CropWindow.h"
#include "capture/DrawCore.h"
#include "capture/OverlayChrome.h"
#include "platform/Diagnostics.h"
#include "recording/RecordModel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <QScreen>
#include <cmath>

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

QString sizeLabel(const QRectF &r) {
    return QStringLiteral("%1 X %2").arg(qint64(std::trunc(r.width()))).arg(qint64(std::trunc(r.height())));
}

QFont labelFont() {
    QFont font(QStringLiteral("Inter"));
    font.setPixelSize(13);
    return font;
}

// Everything the crop area paints around a rectangle: border, handles and label.
QRectF decorationBounds(const QRectF &r) {
    if (DrawViewModel::isZeroRect(r))
        return {};
    return r.adjusted(-90, -40, 90, 30);
}
} // namespace

DrawView::DrawView(QScreen *screen, QWidget *parent)
    : QWidget(parent), m_screen(screen), m_objects(new ToolInputDispatcher(DrawCore::shared().tools(), this)),
      m_textEditor(new TextToolEditor(DrawCore::shared().tools(), this)),
      m_comments(new PointCommentPanel(DrawCore::shared().tools(), this)), m_chrome(new OverlayChrome(this)),
      m_dimFade(new QVariantAnimation(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    m_snapshot = DrawCore::shared().snapshots().value(screen);
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
    connect(Models::shared().recordModel(), &RecordModel::isRecordingChanged, this, &DrawView::updateDim);
    // Changes of the crop rectangle alone repaint only around the old and new one.
    auto rectChanged = [this] {
        const QRectF now = shownRect();
        if (!isCropScreen()) {
            return;
        }
        QRectF dirty = decorationBounds(m_lastShown).united(decorationBounds(now));
        m_lastShown = now;
        if (dirty.isEmpty())
            update();
        else
            update(dirty.toAlignedRect());
    };
    connect(m, &DrawViewModel::croppedAreaChanged, this, rectChanged);
    connect(m, &DrawViewModel::tempCroppedAreaChanged, this, rectChanged);
    for (auto signal : {&DrawViewModel::cropScreenChanged, &DrawViewModel::croppedAreaDrawingChanged,
                        &DrawViewModel::chooceWindowModeChanged, &DrawViewModel::drawedToolsChanged,
                        &DrawViewModel::drawingToolChanged, &DrawViewModel::whiteboardChanged,
                        &DrawViewModel::activeToolChanged, &DrawViewModel::needDeleteToolChanged})
        connect(m, signal, this, &DrawView::mirrorChanged);
    for (auto signal : {&DrawViewModel::drawedToolsChanged, &DrawViewModel::drawingToolChanged,
                        &DrawViewModel::activeToolChanged, &DrawViewModel::croppedAreaChanged,
                        &DrawViewModel::isDrawingChanged, &DrawViewModel::cropScreenChanged})
        connect(m, signal, this, &DrawView::refreshEditors);
    connect(m_objects, &ToolInputDispatcher::hoverChanged, this, qOverload<>(&QWidget::update));
    connect(m, &DrawViewModel::cursorChanged, this, &DrawView::refreshCursor);
    connect(m, &DrawViewModel::cacheCursorChanged, this, &DrawView::refreshCursor);
    connect(m, &DrawViewModel::chooceWindowModeChanged, this, [this] {
        if (model().chooceWindowMode())
            updateHover(mapFromGlobal(QCursor::pos()));
        refreshCursor();
    });
    // The overlay window is kept between captures: each capture brings its own
    // frozen screen and starts with no gesture under way.
    connect(&DrawCore::shared(), &DrawCore::snapshotsChanged, this, [this] {
        m_snapshot = DrawCore::shared().snapshots().value(m_screen);
        m_gesture = Gesture::None;
        m_points.clear();
        m_hover.reset();
        m_painted = false;
        m_dimShown = false;
        m_dimFade->stop();
        update();
    });
    connect(&DrawCore::shared(), &DrawCore::snapshotsSmallQualityChanged, this, [this] {
        if (isCropScreen())
            update();
    });
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
    update();
}

void DrawView::refreshEditors() {
    if (!isCropScreen()) {
        m_textEditor->hide();
        m_comments->refresh(QRectF(), true);
        return;
    }
    QWidget *focus = QApplication::focusWidget();
    const bool hadFocus = focus && (m_textEditor->isAncestorOf(focus) ||
                                    (m_comments->card() && m_comments->card()->isAncestorOf(focus)));
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
    setCursor(DrawCore::shared().cursorAt(this, local));
}

// ---------------------------------------------------------------- painting

void DrawView::paintEvent(QPaintEvent *event) {
    QPainter painter(this);
    painter.setClipRect(event->rect());
    if (m_snapshot.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(QPointF(0, 0), m_snapshot);

    if (!m_painted) {
        m_painted = true;
        // Tests wait for this before they look at the screen.
        if (diagnostics::enabled())
            diagnostics::print(QStringLiteral("capture: overlay painted"));
        DrawCore::shared().holdInput(true);
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
            const QImage small = DrawCore::shared().snapshotsSmallQuality().value(m_screen);
            scene.snapshot = &m_snapshot;
            scene.lowQuality = small.isNull() ? nullptr : &small;
            toolsCanvas::paintScene(painter, scene, QRectF(rect()));
            paintToolControls(painter, *m_objects);
        }
        paintCropArea(painter, shownRect());
    } else if (m.cropScreen()) {
        painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.7));
    }
    if (m.chooceWindowMode())
        paintHighlight(painter);
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

    const QString label = sizeLabel(shown);
    painter.setFont(labelFont());
    const QFontMetricsF metrics(painter.font());
    const qreal width = metrics.horizontalAdvance(label);
    const qreal height = 21;
    const QRectF labelRect(shown.center().x() - width / 2, shown.top() - height - 6, width, height);
    painter.setPen(kLabelColor);
    painter.drawText(labelRect, Qt::AlignCenter, label);
}

void DrawView::paintHighlight(QPainter &painter) {
    if (!m_hover || !m_hover->bounds)
        return;
    painter.fillRect(*m_hover->bounds, QColor(kHighlightColor.red(), kHighlightColor.green(), kHighlightColor.blue(),
                                              int(0.3 * 255)));
}

// ---------------------------------------------------------------- window choosing

std::optional<Window> DrawView::windowAt(QPointF local) const {
    if (!m_screen)
        return std::nullopt;
    const QPointF origin = m_screen->geometry().topLeft();
    std::optional<Window> found;
    // Back to front: the last window that holds the point is the one on top.
    for (const Window &window : DrawCore::shared().hightlightWindows().value(m_screen)) {
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
        diagnostics::print(QStringLiteral("capture: press %1,%2").arg(event->position().x()).arg(event->position().y()));
    DrawCore::shared().notePointer(m_screen, event->position());
    m_lastPos = event->position();
    if (event->button() != Qt::LeftButton)
        return;
    DrawCore &core = DrawCore::shared();
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
    DrawCore::shared().notePointer(m_screen, pos);
    m_lastPos = pos;
    DrawCore &core = DrawCore::shared();
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
    case Gesture::Choose:
        updateHover(pos);
        return;
    case Gesture::Handle: {
        const auto step = m_handleDrag.changed(m_handle, m.croppedArea(), pos, QSizeF(delta.x(), delta.y()),
                                               modifiers.testFlag(Qt::ShiftModifier),
                                               m.spaceKeyPoint().has_value(), core.tempOffset());
        core.resizeCropArea(step.anchor, step.moving, step.squareAllowed);
        if (!m.cacheCursor())
            m.setCacheCursor(cropHandles::cursor(m_handle));
        return;
    }
    case Gesture::Move:
        core.moveCropArea(QSizeF(delta.x(), delta.y()));
        return;
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
        diagnostics::print(
            QStringLiteral("capture: release %1,%2").arg(event->position().x()).arg(event->position().y()));
    DrawCore::shared().notePointer(m_screen, event->position());
    m_lastPos = event->position();
    if (event->button() != Qt::LeftButton)
        return;
    DrawCore &core = DrawCore::shared();
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
