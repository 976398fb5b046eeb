#include "annotation/DrawnInputDispatcher.h"

#include "annotation/BoxTool.h"
#include "annotation/PointTool.h"
#include "annotation/TextTool.h"
#include "annotation/DrawnEditor.h"
#include "annotation/DrawnGeometry.h"
#include "annotation/ToolPoint.h"

#include <QLineF>

namespace qn {

namespace {
constexpr double kHandleDragDistance = 5;
constexpr double kPinResizeDistance = 5;
} // namespace

DrawnInputDispatcher::DrawnInputDispatcher(DrawnEditor &editor, QObject *parent) : QObject(parent), m_editor(editor) {}

QList<DrawnInputDispatcher::Shown> DrawnInputDispatcher::shownObjects() const {
    DrawnHost &host = m_editor.host();
    const DrawnPtr replaced = host.needDeleteTool();
    const auto activeId = host.activeTool();
    QList<Shown> blur, plain, selected;
    for (const DrawnPtr &t : host.drawedTools()) {
        if (replaced && t->id == replaced->id)
            continue;
        const bool active = activeId && *activeId == t->id;
        const Shown s{withDrawed(withActive(t, active), true), t, true};
        if (t->type == Tool::Blur)
            blur.append(s);
        else if (active)
            selected.append(s);
        else
            plain.append(s);
    }
    QList<Shown> all = blur + plain + selected;
    if (const DrawnPtr drawing = host.drawingTool()) {
        const bool active = drawing->type == Tool::Text || drawing->type == Tool::Point;
        all.append({withActive(drawing, active), drawing, false});
    }
    return all;
}

std::optional<std::pair<DrawnInputDispatcher::Shown, ViewHit>> DrawnInputDispatcher::targetAt(QPointF point) const {
    const QList<Shown> shown = shownObjects();
    for (auto it = shown.crbegin(); it != shown.crend(); ++it) {
        const ViewHit hit = it->object->viewHit(point, it->showControls);
        if (hit.part != HitPart::None)
            return std::make_pair(*it, hit);
    }
    return std::nullopt;
}

bool DrawnInputDispatcher::press(QPointF point) {
    m_gesture.reset();
    const auto target = targetAt(point);
    if (!target)
        return false;
    Gesture g{target->first, target->second.part, target->second.corner, point};
    m_gesture = g;
    // Body and pin drags start on the press itself; a press selects.
    if (g.part == HitPart::Body)
        m_editor.moveDragChanged(g.target.object, QPointF());
    else if (g.part == HitPart::Pin)
        move(point);
    return true;
}

bool DrawnInputDispatcher::move(QPointF point) {
    if (!m_gesture)
        return false;
    Gesture &g = *m_gesture;
    const DrawnPtr &shown = g.target.object;
    switch (g.part) {
    case HitPart::Body: m_editor.moveDragChanged(shown, g.start - point); break;
    case HitPart::Handle:
        if (!g.started && QLineF(g.start, point).length() < kHandleDragDistance)
            break;
        g.started = true;
        handleChanged(g, point, g.corner);
        break;
    case HitPart::Pin: {
        const auto *pin = static_cast<const PointTool *>(shown.get());
        if (shown->drawed && pin->isPlainPin())
            m_editor.moveDragChanged(shown, g.start - point);
        else if (QLineF(g.start, point).length() > kPinResizeDistance) {
            g.started = true;
            handleChanged(g, point, pin->pointCorner.value_or(CornerType::TopLeft));
        }
        break;
    }
    case HitPart::None: break;
    }
    return true;
}

void DrawnInputDispatcher::handleChanged(Gesture &g, QPointF current, CornerType corner) {
    const DrawnPtr &shown = g.target.object;
    switch (shown->type) {
    case Tool::Line:
    case Tool::Arrow:
        if (corner == CornerType::TopLeft)
            m_editor.resizeDragChanged(current, shown->endPoint, {}, shown, corner);
        else
            m_editor.resizeDragChanged(shown->startPoint, current, {}, shown, corner);
        break;
    case Tool::Rectangle:
    case Tool::Oval:
    case Tool::Blur:
        if (!g.anchor)
            g.anchor = oppositeCorner(static_cast<const BoxTool *>(shown.get())->box(), corner);
        m_editor.resizeDragChanged(g.anchor, current, {}, shown, corner);
        break;
    case Tool::Point:
        if (!g.anchor)
            g.anchor = oppositeCorner(static_cast<const PointTool *>(shown.get())->areaRect(), corner);
        m_editor.resizeDragChanged(g.anchor, current, {}, shown, corner);
        break;
    case Tool::Text: {
        const auto *text = static_cast<const TextTool *>(shown.get());
        if (!g.textStart) {
            g.textStart = text->startPoint;
            g.startFontSize = text->fontSize;
        }
        if (!g.textStart)
            break;
        auto sized = copyAs<TextTool>(shown);
        sized->fontSize = TextTool::dragFontSize(text->text, g.startFontSize, *g.textStart, current);
        m_editor.resizeDragChanged(g.textStart, current, {}, sized, corner);
        break;
    }
    default: break;
    }
}

void DrawnInputDispatcher::tap(const Gesture &g) {
    if (g.target.showControls)
        m_editor.selectDrawnTool(g.target.original, true);
}

bool DrawnInputDispatcher::release(QPointF point) {
    if (!m_gesture)
        return false;
    const Gesture g = *m_gesture;
    m_gesture.reset();
    const DrawnPtr &shown = g.target.object;
    switch (g.part) {
    case HitPart::Body: m_editor.moveDragEnded(shown); break;
    case HitPart::Handle:
        if (g.started)
            m_editor.resizeDragEnded(shown);
        break;
    case HitPart::Pin: {
        const auto *pin = static_cast<const PointTool *>(shown.get());
        if (shown->drawed && pin->isPlainPin()) {
            m_editor.moveDragEnded(shown);
            tap(g);
        } else {
            m_editor.resizeDragEnded(shown);
            if (shown->drawed)
                tap(g);
        }
        break;
    }
    case HitPart::None: break;
    }
    Q_UNUSED(point);
    hoverMove(point);
    return true;
}

bool DrawnInputDispatcher::doubleClick(QPointF point) {
    const auto target = targetAt(point);
    if (!target)
        return false;
    const auto &[shown, hit] = *target;
    if (hit.part == HitPart::Body && shown.showControls && shown.object->type == Tool::Text) {
        m_gesture.reset();
        m_editor.selectDrawnTool(shown.original, true);
    }
    return true;
}

bool DrawnInputDispatcher::hoverMove(QPointF point) {
    QSet<QUuid> hovered;
    std::optional<std::pair<QUuid, CornerType>> handle;
    for (const Shown &s : shownObjects()) {
        if (s.showControls && s.object->hoverContains(point))
            hovered.insert(s.object->id);
    }
    if (const auto target = targetAt(point); target && target->second.part == HitPart::Handle)
        handle = std::make_pair(target->first.object->id, target->second.corner);
    const bool changed = hovered != m_hovered || handle != m_hoveredHandle;
    m_hovered = hovered;
    m_hoveredHandle = handle;
    if (changed)
        Q_EMIT hoverChanged();
    return changed;
}

void DrawnInputDispatcher::cancel() {
    m_gesture.reset();
    m_hovered.clear();
    m_hoveredHandle.reset();
}

} // namespace qn
