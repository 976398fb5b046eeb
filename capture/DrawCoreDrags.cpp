// The overlay controller's drags (the crop area drawn, resized and moved, a window
// chosen, drawn objects made) and its forwarding to the drawn objects' editor.
#include "capture/DrawCore.h"

#include "annotation/DrawViewModel.h"
#include "annotation/PointTool.h"
#include "annotation/DrawnGeometry.h"
#include "app/state/Models.h"
#include "app/state/SettingsModel.h"
#include "capture/CropHandles.h"
#include "capture/CropWindow.h"
#include "capture/OverlayCursors.h"
#include "platform/Diagnostics.h"
#include "app/state/RecordModel.h"

#include <QGuiApplication>
#include <QLineF>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <limits>

namespace qn {

namespace {
// The crop area as it stands after a gesture, for the tests that drive the overlay.
void reportCrop(const QRectF &r) {
    if (diagnostics::enabled())
        diagnostics::print(diagnostics::cropArea(r));
}

// The corner of `r` nearest to `location` (bottom-right without one); on a tie the
// first in the order top-left, top-right, bottom-right, bottom-left.
CornerType nearestCorner(const QRectF &r, const std::optional<QPointF> &location) {
    if (!location)
        return CornerType::BottomRight;
    CornerType best = CornerType::TopLeft;
    double bestDistance = std::numeric_limits<double>::max();
    for (CornerType c : {CornerType::TopLeft, CornerType::TopRight, CornerType::BottomRight, CornerType::BottomLeft}) {
        const double d = QLineF(cornerOf(r, c), *location).length();
        if (d < bestDistance) {
            bestDistance = d;
            best = c;
        }
    }
    return best;
}

QCursor named(const char *name, QPointF hot = {14, 14}) { return overlayCursors::named(name, hot); }
} // namespace

void DrawCore::notePointer(QScreen *screen, QPointF local) {
    m_pointerScreen = screen;
    m_pointer = local;
}

QPointF DrawCore::pointerOn(QScreen *screen) const {
    if (screen && m_pointerScreen == screen)
        return m_pointer;
    return screen ? QPointF(QCursor::pos(screen) - screen->geometry().topLeft()) : QPointF();
}

OverlayGeometry::Input DrawCore::geometryInput() const {
    OverlayGeometry::Input input;
    QScreen *screen = model().cropScreen();
    if (screen && m_windows.value(screen))
        input.pointer = pointerOn(screen);
    input.spaceKeyPoint = model().spaceKeyPoint();
    input.shift = QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
    return input;
}

void DrawCore::dragChanged(const std::optional<QPointF> &start, const std::optional<QPointF> &current,
                           const QList<QPointF> &points, QScreen *screen) {
    DrawViewModel &m = model();
    if (!m.isDrawing())
        m.setIsDrawing(true);
    if (!m.hasCroppedArea())
        dragCropArea(start, current, screen);
    else
        dragObject(start, current, points);
}

void DrawCore::dragCropArea(const std::optional<QPointF> &start, const std::optional<QPointF> &current,
                            QScreen *screen) {
    DrawViewModel &m = model();
    if (!start || !current) {
        m.setCroppedAreaDrawing(true);
        return;
    }
    if (!m.cropScreen()) {
        if (!screen) {
            m.setCroppedAreaDrawing(true);
            return;
        }
        m.setCropScreen(screen);
        startLowQualityCopy(screen);
    }
    QScreen *crop = m.cropScreen();
    m_geometry.maxFrame = QRectF(QPointF(0, 0), QSizeF(crop->geometry().size()));
    m.setTempCroppedArea(m_geometry.rectForHandleDrag(true, true, *start, *current, geometryInput()));
    m.setCroppedAreaDrawing(true);
}

void DrawCore::dragObject(const std::optional<QPointF> &start, const std::optional<QPointF> &current,
                          const QList<QPointF> &points) {
    DrawViewModel &m = model();
    const bool click = start && current && *start == *current;
    const Tool tool = m.tool();
    if (click && (m.activeTool() || m.drawingTool())) {
        if (tool == Tool::Text || tool == Tool::Point)
            m_skipToolCreation = true;
        finishEditing();
    }
    if (tool == Tool::Point && start && !m.croppedArea().contains(*start))
        m_skipToolCreation = true;
    if (m_skipToolCreation)
        return;
    if (start && !(click && tool != Tool::Point && tool != Tool::Text))
        m.setDrawingTool(objectForDrag(tool, *start, current, points));
    if (!m.cacheCursor())
        m.setCacheCursor(toolCursor());
}

DrawnPtr DrawCore::objectForDrag(Tool tool, QPointF start, const std::optional<QPointF> &current,
                                const QList<QPointF> &points) {
    std::optional<QPointF> a = start, b = current;
    QList<QPointF> list = points;
    if (tool == Tool::Text) {
        a = b = QPointF(start.x(), start.y() - 13);
        list.clear();
    } else if ((tool == Tool::Line || tool == Tool::Arrow) && current) {
        const QList<QPointF> ends = m_geometry.dragPointsFromMouse(start, *current, geometryInput());
        a = ends.value(0);
        b = ends.value(1);
    } else if ((tool == Tool::Rectangle || tool == Tool::Oval || tool == Tool::Point || tool == Tool::Blur) &&
               current) {
        const QRectF r = m_geometry.rectForHandleDrag(false, true, start, *current, geometryInput());
        a = r.topLeft();
        b = r.bottomRight();
    }
    DrawnPtr made = m_tools.makeTool(a, b, list, tool, true, std::nullopt);
    if (auto point = copyAs<PointTool>(made)) {
        // Numbered after the points already kept; the pin takes the corner nearest the pointer.
        int count = 0;
        for (const DrawnPtr &t : model().drawedTools())
            count += t && t->type == Tool::Point;
        point->number = count + 1;
        point->pointCorner = nearestCorner(rectFromPoints(point->startPoint, point->endPoint, false, std::nullopt),
                                           current);
        made = point;
    }
    return made;
}

void DrawCore::dragEnded(QScreen *screen) {
    DrawViewModel &m = model();
    m.setIsDrawing(false);
    m.setSpaceKeyPoint(std::nullopt);
    m.setChooceWindowMode(false);
    m_skipToolCreation = false;
    m_geometry.tempStartLocation.reset();
    m_geometry.tempOffset = QSizeF();
    if (!m.hasCroppedArea()) {
        m.setCroppedArea(m.tempCroppedArea());
        m.setTempCroppedArea(QRectF());
        m.setCroppedAreaDrawing(false);
        m.setCursor(toolCursor());
        reportCrop(m.croppedArea());
        if (Models::shared().settingsModel()->autoUpload())
            QTimer::singleShot(0, this, [this] { uploadAction(); });
        else if (m.tool() == Tool::Video)
            showRecordControls();
        if (CropWindow *window = m_windows.value(screen))
            window->takeFocus();
    }
    if (const DrawnPtr drawing = m.drawingTool()) {
        if (m.tool() == Tool::Point) {
            // The point stays in drawing for its comment card, which adds it.
            const DrawnPtr rebuilt = m_tools.makeTool(drawing->startPoint, drawing->endPoint, drawing->points,
                                                     drawing->type, true, drawing->toolData());
            m.setDrawingTool(std::dynamic_pointer_cast<const PointTool>(rebuilt) ? rebuilt : nullptr);
        } else if (m.tool() != Tool::Text) {
            commitDrawingTool(true);
        }
    }
    if (m.tool() == Tool::Pointer)
        finishEditing();
    m.setCacheCursor(std::nullopt);
}

void DrawCore::resizeCropArea(const std::optional<QPointF> &start, const std::optional<QPointF> &end,
                              bool squareAllowed) {
    model().setCroppedAreaDrawing(true);
    if (!start || !end)
        return;
    model().setCroppedArea(m_geometry.rectForHandleDrag(true, squareAllowed, *start, *end, geometryInput()));
}

void DrawCore::moveCropArea(QSizeF translation) {
    if (Models::shared().recordModel()->isRecording())
        return;
    DrawViewModel &m = model();
    if (m.hasCroppedArea()) {
        m_geometry.tempLocations.insert(0, m.croppedArea().topLeft());
        m_geometry.tempLocations.insert(1, m.croppedArea().bottomRight());
    }
    if (m_geometry.tempLocations.contains(0) && m_geometry.tempLocations.contains(1)) {
        QRectF moved = QRectF(m_geometry.tempLocations.value(0), m_geometry.tempLocations.value(1))
                           .translated(translation.width(), translation.height());
        // The whole rectangle stops at the frame's edge and keeps its size.
        if (const auto frame = m_geometry.maxFrame) {
            moved.moveLeft(std::clamp(moved.left(), frame->left(), std::max(frame->left(), frame->right() - moved.width())));
            moved.moveTop(std::clamp(moved.top(), frame->top(), std::max(frame->top(), frame->bottom() - moved.height())));
        }
        m.setTempCroppedArea(moved);
    }
    if (m.hasCroppedArea())
        m.setCroppedArea(QRectF());
    if (!m.cacheCursor())
        m.setCacheCursor(named("close-hand"));
}

void DrawCore::endMoveCropArea() {
    DrawViewModel &m = model();
    m_geometry.tempLocations.clear();
    m.setCroppedArea(m.tempCroppedArea());
    m.setTempCroppedArea(QRectF());
    m.setCacheCursor(std::nullopt);
    reportCrop(m.croppedArea());
}

void DrawCore::endCropDrag() {
    DrawViewModel &m = model();
    m.setCroppedAreaDrawing(false);
    m.setSpaceKeyPoint(std::nullopt);
    m_geometry.tempStartLocation.reset();
    m_geometry.tempOffset = QSizeF();
    reportCrop(m.croppedArea());
}

void DrawCore::chooseWindow(QScreen *screen, const QRectF &localBounds) {
    if (!screen)
        return;
    const QRectF screenRect(QPointF(0, 0), QSizeF(screen->geometry().size()));
    // A window that reaches past its screen is taken as far as the screen shows it.
    const QRectF crop = localBounds.intersected(screenRect);
    if (crop.isEmpty())
        return;
    DrawViewModel &m = model();
    m.setChooceWindowMode(false);
    m.setCroppedArea(crop);
    m.setCropScreen(screen);
    m_geometry.maxFrame = screenRect;
    m.setCursor(toolCursor());
    startLowQualityCopy(screen);
    reportCrop(crop);
}

void DrawCore::selectTool(Tool tool) {
    finishEditing();
    if (isQuickTool(tool))
        model().setQuickTool(tool);
    model().setTool(tool);
    if (tool == Tool::Video && model().hasCroppedArea())
        showRecordControls();
    else if (tool != Tool::Video)
        closeRecordControls();
}

void DrawCore::finishEditing() { m_tools.finishEditing(); }

void DrawCore::commitDrawingTool(bool selectAfterwards) { m_tools.commitDrawingTool(selectAfterwards); }

void DrawCore::appendTool(const DrawnPtr &tool) { m_tools.appendTool(tool); }

void DrawCore::removeTool(const DrawnPtr &tool) { m_tools.removeTool(tool); }

void DrawCore::undo() {
    m_tools.undo();
    model().updateUndoState();
}

void DrawCore::redo() {
    m_tools.redo();
    model().updateUndoState();
}

} // namespace qn
