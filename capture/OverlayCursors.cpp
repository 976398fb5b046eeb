#include "capture/OverlayCursors.h"

#include "annotation/BaseTool.h"
#include "annotation/DrawViewModel.h"
#include "capture/CropHandles.h"
#include "capture/CropWindow.h"
#include "capture/DrawView.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace qn::overlayCursors {

namespace {
bool isTextEditor(QWidget *w) {
    return qobject_cast<QLineEdit *>(w) || qobject_cast<QTextEdit *>(w) || qobject_cast<QPlainTextEdit *>(w);
}
} // namespace

QCursor named(const char *name, QPointF hot) { return DrawViewModel::imageCursor(QLatin1String(name), hot); }

QCursor toolCursor(const DrawViewModel &m) {
    if (m.chooceWindowMode())
        return named("window-capture", {14, 12.5});
    if (!m.hasCroppedArea())
        return named("draw-area");
    switch (m.tool()) {
    case Tool::Point: return named("create-comment");
    case Tool::Text: return named("create-text");
    case Tool::Pen: return named("pencil", {7, 21});
    case Tool::Arrow: return named("create-arrow");
    case Tool::Line: return named("create-line");
    case Tool::Rectangle: return named("create-rectangle");
    case Tool::Oval: return named("create-oval");
    case Tool::Blur: return named("create-blur");
    case Tool::Pointer:
    case Tool::Video: break;
    }
    return QCursor(Qt::ArrowCursor);
}

QCursor cursorAt(const DrawViewModel &m, QWidget *view, QPointF location) {
    if (isTextEditor(QApplication::focusWidget()))
        return view->cursor();
    if (const auto pinned = m.cacheCursor())
        return *pinned;
    if (!m.trackCursor() || !qobject_cast<CropWindow *>(view->window()))
        return QCursor(Qt::ArrowCursor);
    const auto *drawView = qobject_cast<DrawView *>(view);
    const bool cropScreen = drawView && drawView->isCropScreen();
    if (cropScreen && m.hasCroppedArea() && !m.chooceWindowMode()) {
        if (const auto handle = cropHandles::hit(m.croppedArea(), location))
            return cropHandles::cursor(*handle);
        if (cropHandles::onBorder(m.croppedArea(), location))
            return named("open-hand");
    }
    if (cropScreen) {
        QList<DrawnPtr> tools = m.drawedTools();
        if (m.drawingTool())
            tools.append(m.drawingTool());
        DrawnIntersection found;
        for (const DrawnPtr &tool : tools) {
            const DrawnIntersection hit = tool ? tool->intersect(location) : DrawnIntersection{};
            if (hit.kind != 0)
                found = hit;
        }
        if (found.kind == 1) {
            if (QGuiApplication::keyboardModifiers().testFlag(Qt::AltModifier))
                return named("copy", {9, 9});
            return named(m.isDrawing() ? "close-hand" : "open-hand");
        }
        if (found.kind == 2)
            return QCursor(Qt::ArrowCursor);
    }
    return toolCursor(m);
}

} // namespace qn::overlayCursors
